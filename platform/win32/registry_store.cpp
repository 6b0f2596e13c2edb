#include "platform/win32/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <mutex>

namespace registry_store {
namespace {

// One thread at a time inside the store; flock serialises the processes.
std::recursive_mutex storeLock;

LONG ErrorFromErrno(int error, LONG fallback) {
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
        case EIO:
            return ERROR_WRITE_FAULT;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        default:
            return fallback;
    }
}

std::string FilePath() {
    return Folder() + "/registry.reg";
}

bool MakeFolders(const std::string& folder) {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        partial = folder.substr(0, pos);
        if (partial.empty()) continue;
        if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat info;
    if (stat(folder.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

class FileLock {
public:
    // Locks registry.lock in the folder; `create` makes the folder first.
    FileLock(bool exclusive, bool create) {
        std::string folder = Folder();
        if (create && !MakeFolders(folder)) {
            error = errno;
            return;
        }
        fd = open((folder + "/registry.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = errno;
            return;
        }
        while (flock(fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) {
                error = errno;
                close(fd);
                fd = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (fd >= 0) close(fd);  // closing releases the lock
    }
    bool Held() const { return fd >= 0; }
    int Error() const { return error; }

private:
    int fd = -1;
    int error = 0;
};

bool ReadWhole(int fd, std::string* out) {
    out->clear();
    char buffer[65536];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        out->append(buffer, static_cast<size_t>(got));
    }
}

bool WriteWhole(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put < 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Moves a file that cannot be parsed out of the way, keeping it for the user.
bool MoveAside(const std::string& path, const std::string& why) {
    std::string target = path + ".damaged";
    for (int n = 2; access(target.c_str(), F_OK) == 0 && n < 1000; ++n) {
        target = path + "." + std::to_string(n) + ".damaged";
    }
    if (rename(path.c_str(), target.c_str()) != 0) {
        fprintf(stderr,
                "velmora: the registry file %s is damaged (%s) and could not be moved aside "
                "(%s); it is left untouched and settings cannot be stored\n",
                path.c_str(), why.c_str(), strerror(errno));
        return false;
    }
    fprintf(stderr,
            "velmora: the registry file %s is damaged (%s); it was moved to %s and a new "
            "one is started\n",
            path.c_str(), why.c_str(), target.c_str());
    return true;
}

enum class Loaded { Ok, Damaged, Failed };

// Loads the current contents into `hive`. A missing file is an empty hive.
Loaded Load(RegistryHive* hive, LONG* error, std::string* why) {
    std::string path = FilePath();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            *hive = RegistryHive();
            return Loaded::Ok;
        }
        *error = ErrorFromErrno(errno, ERROR_CANTREAD);
        return Loaded::Failed;
    }
    std::string text;
    bool read = ReadWhole(fd, &text);
    int readError = errno;
    close(fd);
    if (!read) {
        *error = ErrorFromErrno(readError, ERROR_CANTREAD);
        return Loaded::Failed;
    }
    return hive->Parse(text, why) ? Loaded::Ok : Loaded::Damaged;
}

// Loads under an exclusive lock, moving a damaged file aside.
LONG LoadForChange(RegistryHive* hive) {
    LONG error = ERROR_SUCCESS;
    std::string why;
    switch (Load(hive, &error, &why)) {
        case Loaded::Ok:
            return ERROR_SUCCESS;
        case Loaded::Failed:
            return error;
        case Loaded::Damaged:
            if (!MoveAside(FilePath(), why)) return ERROR_BADDB;
            *hive = RegistryHive();
            return ERROR_SUCCESS;
    }
    return ERROR_BADDB;
}

// Temporary files are only written under the exclusive lock, so any found
// while holding it were left by a process that died in the middle of a save.
void RemoveStaleTemporaries() {
    std::string folder = Folder();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    while (struct dirent* entry = readdir(dir)) {
        if (strncmp(entry->d_name, "registry.reg.tmp-", 17) == 0) {
            unlink((folder + "/" + entry->d_name).c_str());
        }
    }
    closedir(dir);
}

LONG Save(const RegistryHive& hive) {
    RemoveStaleTemporaries();
    std::string folder = Folder();
    std::string path = FilePath();
    static std::atomic<unsigned> counter{0};
    std::string temporary =
        path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return ErrorFromErrno(errno, ERROR_CANTWRITE);
    std::string text = hive.Format();
    if (!WriteWhole(fd, text) || fsync(fd) != 0) {
        LONG error = ErrorFromErrno(errno, ERROR_WRITE_FAULT);
        close(fd);
        unlink(temporary.c_str());
        return error;
    }
    if (close(fd) != 0) {
        LONG error = ErrorFromErrno(errno, ERROR_WRITE_FAULT);
        unlink(temporary.c_str());
        return error;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        LONG error = ErrorFromErrno(errno, ERROR_CANTWRITE);
        unlink(temporary.c_str());
        return error;
    }
    // The rename itself is durable only once the folder is flushed.
    int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        fsync(folderFd);
        close(folderFd);
    }
    return ERROR_SUCCESS;
}

}  // namespace

std::string Folder() {
    const char* config = getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/velmora";
    const char* home = getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        struct passwd* user = getpwuid(getuid());
        home = user != nullptr ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/velmora";
}

LONG Read(const std::function<LONG(const RegistryHive&)>& look) {
    std::lock_guard<std::recursive_mutex> hold(storeLock);
    RegistryHive hive;
    LONG error = ERROR_SUCCESS;
    std::string why;
    Loaded loaded;
    {
        // A folder that cannot hold the lock file (read-only, missing) is still
        // read: replacement by rename keeps every read whole.
        FileLock lock(false, false);
        loaded = Load(&hive, &error, &why);
    }
    if (loaded == Loaded::Damaged) {
        FileLock lock(true, false);
        if (!lock.Held()) {
            fprintf(stderr, "velmora: the registry file %s is damaged (%s); it is ignored\n",
                    FilePath().c_str(), why.c_str());
            hive = RegistryHive();
        } else {
            error = LoadForChange(&hive);
        }
    } else if (loaded == Loaded::Failed) {
        return error;
    }
    if (error != ERROR_SUCCESS) return error;
    return look(hive);
}

LONG Update(const std::function<LONG(RegistryHive&, bool* changed)>& change) {
    std::lock_guard<std::recursive_mutex> hold(storeLock);
    FileLock lock(true, true);
    if (!lock.Held()) return ErrorFromErrno(lock.Error(), ERROR_CANTWRITE);
    RegistryHive hive;
    LONG error = LoadForChange(&hive);
    if (error != ERROR_SUCCESS) return error;
    bool changed = false;
    LONG result = change(hive, &changed);
    if (result != ERROR_SUCCESS || !changed) return result;
    error = Save(hive);
    return error != ERROR_SUCCESS ? error : result;
}

}  // namespace registry_store
