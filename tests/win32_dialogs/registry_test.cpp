#include <windows.h>

#include "platform/win32/registry_hive.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const char kKey[] = "Software\\Quintaro\\Velmora";

// Each test gets its own XDG_CONFIG_HOME inside a fresh temp folder.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = temp / "config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    std::string RegistryFile() const { return config + "/velmora/registry.reg"; }
    std::string FileText() const { return temp.ReadFile("config/velmora/registry.reg"); }

    HKEY Create(const char* path = kKey) {
        HKEY key = nullptr;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        return key;
    }

    TempFolder temp;
    std::string config;
};

LONG SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value);
}

LONG GetDword(HKEY key, const char* name, DWORD* value) {
    DWORD size = sizeof *value;
    DWORD type = REG_NONE;
    LONG result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    if (result == ERROR_SUCCESS && (type != REG_DWORD || size != 4)) return ERROR_BADDB;
    return result;
}

// Runs `body` in a child process and returns its exit status.
template <typename Body>
int InChild(Body body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST_F(RegistryTest, ValuesOfEveryTypeSurviveTheFile) {
    DWORD disposition = 0;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &key, &disposition));
    EXPECT_EQ(REG_CREATED_NEW_KEY, static_cast<LONG>(disposition));
    const char path[] = "c:\\Program Files\\\"Velmora\"\\";
    const BYTE guid[16] = {0xde, 0xad, 0xbe, 0xef, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 255};
    const char lines[] = "two\nlines";
    EXPECT_EQ(ERROR_SUCCESS, SetDword(key, "Camera Change", 0x12345678));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Path", 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(path), sizeof path));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Adapter ID", 0, REG_BINARY, guid, sizeof guid));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Lines", 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(lines), sizeof lines));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    std::string text = FileText();
    EXPECT_EQ(0u, text.find("REGEDIT4\n")) << text;
    EXPECT_NE(std::string::npos, text.find("[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n"));
    EXPECT_NE(std::string::npos, text.find("\"Camera Change\"=dword:12345678\n"));
    EXPECT_NE(std::string::npos,
              text.find("\"Path\"=\"c:\\\\Program Files\\\\\\\"Velmora\\\"\\\\\"\n"));
    EXPECT_NE(std::string::npos,
              text.find("\"Adapter ID\"=hex:de,ad,be,ef,01,02,03,04,05,06,07,08,09,0a,00,ff\n"));

    // Reopened (names ignore case, as on Windows) and read back from the file.
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyEx(HKEY_CURRENT_USER, "software\\QUINTARO\\velmora", 0, KEY_READ, &key));
    DWORD number = 0;
    EXPECT_EQ(ERROR_SUCCESS, GetDword(key, "camera change", &number));
    EXPECT_EQ(0x12345678u, number);
    char readPath[300];
    DWORD size = sizeof readPath, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, "Path", nullptr, &type,
                                             reinterpret_cast<BYTE*>(readPath), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(sizeof path, size);
    EXPECT_STREQ(path, readPath);
    BYTE readGuid[16] = {};
    size = sizeof readGuid;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, "Adapter ID", nullptr, &type, readGuid, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(0, memcmp(guid, readGuid, 16));
    size = sizeof readPath;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, "Lines", nullptr, &type,
                                             reinterpret_cast<BYTE*>(readPath), &size));
    EXPECT_STREQ(lines, readPath);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    // The parents exist; a second create opens the existing key.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &key, &disposition));
    EXPECT_EQ(REG_OPENED_EXISTING_KEY, static_cast<LONG>(disposition));
    // A subkey opened relative to an open key.
    HKEY screen = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyEx(key, "Screen 1", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                            &screen, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, SetDword(screen, "Leave Black", 1));
    RegCloseKey(screen);
    RegCloseKey(key);
    EXPECT_NE(std::string::npos,
              FileText().find("[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora\\Screen 1]\n"
                              "\"Leave Black\"=dword:00000001\n"));
}

TEST_F(RegistryTest, QuerySizesAndErrorsFollowWindows) {
    HKEY key = Create();
    const char path[] = "/opt/velmora/";
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Path", 0, REG_SZ,
                                           reinterpret_cast<const BYTE*>(path), sizeof path));
    // Size only: no buffer.
    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, "Path", nullptr, &type, nullptr, &size));
    EXPECT_EQ(sizeof path, size);  // the NUL counts
    // A buffer one byte short: ERROR_MORE_DATA with the size needed, buffer untouched.
    char small[sizeof path - 1];
    memset(small, 'x', sizeof small);
    size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegQueryValueEx(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(small), &size));
    EXPECT_EQ(sizeof path, size);
    EXPECT_EQ('x', small[0]);
    // Missing values, missing keys, bad handles and parameters.
    DWORD number = 7;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetDword(key, "Enable FPS", &number));
    EXPECT_EQ(7u, number);
    HKEY other = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_READ, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueEx(key, "Path", nullptr, nullptr,
                                                       reinterpret_cast<BYTE*>(small), nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyEx(HKEY_CURRENT_USER, "a\\\\b", 0, nullptr, 0,
                                                      KEY_ALL_ACCESS, nullptr, &other, nullptr));
    // A key opened for reading cannot be written.
    HKEY readOnly = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &readOnly));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(readOnly, "Time", 1));
    // Deleting a value.
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValue(key, "Path"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValue(key, "Path"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueEx(readOnly, "Path", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(readOnly));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, GetDword(key, "Time", &number));
}

TEST_F(RegistryTest, KilledSaveLeavesAWholeFile) {
    HKEY key = Create();
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Before", 1));
    for (int round = 0; round < 6; ++round) {
        pid_t child = fork();
        if (child == 0) {
            // Values of changing size, so a torn write would show.
            std::string filler(4096 + round * 100, 'a');
            for (DWORD i = 0;; ++i) {
                filler[i % filler.size()] = static_cast<char>('a' + i % 26);
                RegSetValueEx(key, "Filler", 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(filler.c_str()),
                              static_cast<DWORD>(filler.size() + 1 - i % 50));
                SetDword(key, "Counter", i);
            }
        }
        usleep(20000 + round * 7000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        RegistryHive hive;
        std::string error;
        ASSERT_TRUE(hive.Parse(FileText(), &error)) << error;
        const RegistryKey* stored = hive.FindKey(kKey);
        ASSERT_NE(nullptr, stored);
        EXPECT_NE(nullptr, stored->Find("Before"));
    }
    // The next save clears what the killed writers left behind.
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "After", 1));
    for (const auto& entry : fs::directory_iterator(config + "/velmora")) {
        EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".tmp-"))
            << entry.path();
    }
    RegCloseKey(key);
}

TEST_F(RegistryTest, TwoProcessesKeepEachOthersValues) {
    const int kWrites = 25;
    HKEY key = Create();
    auto writer = [&](const char* prefix) {
        if (fork() != 0) return;
        for (int i = 0; i < kWrites; ++i) {
            std::string name = prefix + std::to_string(i);
            if (SetDword(key, name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS) _exit(1);
        }
        _exit(0);
    };
    writer("Dialog ");
    writer("Saver ");
    int status = 0;
    for (int i = 0; i < 2; ++i) {
        wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const char* prefix : {"Dialog ", "Saver "}) {
        for (int i = 0; i < kWrites; ++i) {
            std::string name = prefix + std::to_string(i);
            DWORD value = 999;
            EXPECT_EQ(ERROR_SUCCESS, GetDword(key, name.c_str(), &value)) << name;
            EXPECT_EQ(static_cast<DWORD>(i), value);
        }
    }
    RegCloseKey(key);
}

TEST_F(RegistryTest, DamagedFileIsMovedAsideNotOverwritten) {
    const std::string damaged = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"Broken\"=dword:1\n";
    temp.WriteFile("config/velmora/registry.reg", damaged);
    testing::internal::CaptureStderr();
    HKEY key = Create();
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("damaged")) << message;
    EXPECT_NE(std::string::npos, message.find("registry.reg.damaged")) << message;
    EXPECT_EQ(damaged, temp.ReadFile("config/velmora/registry.reg.damaged"));
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Time", 2));
    DWORD value = 0;
    EXPECT_EQ(ERROR_SUCCESS, GetDword(key, "Time", &value));
    EXPECT_EQ(2u, value);
    RegCloseKey(key);

    // A second damaged file does not replace the first one kept aside.
    temp.WriteFile("config/velmora/registry.reg", "garbage");
    testing::internal::CaptureStderr();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(damaged, temp.ReadFile("config/velmora/registry.reg.damaged"));
    EXPECT_EQ("garbage", temp.ReadFile("config/velmora/registry.reg.2.damaged"));
}

TEST_F(RegistryTest, UnwritableFolderFailsWritesWithACode) {
    HKEY key = Create();
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Time", 1));
    RegCloseKey(key);
    // Root ignores folder permissions, so the check runs as an ordinary user.
    std::string folder = config + "/velmora";
    chmod(temp.Path().c_str(), 0755);
    chmod(config.c_str(), 0755);
    chmod(folder.c_str(), 0555);
    chmod((folder + "/registry.reg").c_str(), 0644);
    int status = InChild([&] {
        if (geteuid() == 0 && setuid(65534) != 0) return 10;
        HKEY opened = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
            return 11;
        DWORD value = 0;
        if (GetDword(opened, "Time", &value) != ERROR_SUCCESS || value != 1) return 12;
        if (SetDword(opened, "Time", 2) != ERROR_ACCESS_DENIED) return 13;
        HKEY created = nullptr;
        if (RegCreateKeyEx(opened, "Screen 1", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                           nullptr) != ERROR_ACCESS_DENIED)
            return 14;
        return 0;
    });
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(0, status);

    // A config folder that cannot exist (a file is in the way) fails the same way.
    temp.WriteFile("blocked", "not a folder");
    setenv("XDG_CONFIG_HOME", (temp / "blocked").c_str(), 1);
    HKEY blocked = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                            nullptr, &blocked, nullptr));
    EXPECT_EQ(nullptr, blocked);
}

TEST(RegistryHiveTest, ReadsHandEditedFilesAndRejectsOthers) {
    RegistryHive hive;
    std::string error;
    ASSERT_TRUE(
        hive.Parse("\xEF\xBB\xBFREGEDIT4\r\n\r\n; written by hand\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]  \r\n"
                   "\"Adapter ID\"=hex:00,01,02,\\\r\n  03,04\r\n"
                   "\"Time\"=dword:00000002\t\r\n"
                   "\"Path\"=\"/media/  \"\r\n"
                   "@=\"default\"\r\n",
                   &error))
        << error;
    const RegistryKey* key = hive.FindKey("SOFTWARE\\quintaro\\Velmora");
    ASSERT_NE(nullptr, key);
    ASSERT_NE(nullptr, key->Find("Adapter ID"));
    EXPECT_EQ((std::vector<BYTE>{0, 1, 2, 3, 4}), key->Find("Adapter ID")->data);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), key->Find("time")->type);
    EXPECT_EQ(std::string("/media/  ", 10),
              std::string(key->Find("Path")->data.begin(), key->Find("Path")->data.end()));
    ASSERT_NE(nullptr, key->Find(""));
    ASSERT_NE(nullptr, hive.FindKey("Software"));
    // What it writes it reads back the same.
    RegistryHive again;
    ASSERT_TRUE(again.Parse(hive.Format(), &error)) << error;
    EXPECT_EQ(hive.Format(), again.Format());

    for (const char* bad :
         {"", "REGEDIT5\n", "REGEDIT4\n\"Orphan\"=dword:00000001\n",
          "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n",
          "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n",
          "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=hex:0g\n",
          "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x=\"y\"\n", "REGEDIT4\n[HKEY_CURRENT_USER\\A\n"}) {
        EXPECT_FALSE(hive.Parse(bad, &error)) << bad;
        EXPECT_NE(std::string::npos, error.find("line ")) << bad;
        EXPECT_EQ(nullptr, hive.FindKey("A"));
    }
}

// A process holding the lock for ever (here: this test, through a descriptor
// of its own) stalls no reader, and a writer gives up after a bounded wait
// with a code the caller can report. Each part runs in a child under a hang
// bound, so a wait that never ends fails instead of hanging the test.
TEST_F(RegistryTest, HeldLockStallsNoReaderAndBoundsEveryWriter) {
    HKEY key = Create();
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Time", 1));
    RegCloseKey(key);
    const std::string before = FileText();
    int holder = open((config + "/velmora/registry.lock").c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(0, flock(holder, LOCK_EX));

    EXPECT_EQ(0, InChild([&] {
        alarm(10);
        HKEY opened = nullptr;
        if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
            return 1;
        DWORD value = 0;
        if (GetDword(opened, "Time", &value) != ERROR_SUCCESS || value != 1) return 2;
        // The writer waits about two seconds, then fails; later writers of
        // the same process wait only briefly.
        auto start = std::chrono::steady_clock::now();
        if (SetDword(opened, "Time", 2) != ERROR_LOCK_VIOLATION) return 3;
        auto waited = std::chrono::steady_clock::now() - start;
        if (waited < std::chrono::milliseconds(1500)) return 4;
        start = std::chrono::steady_clock::now();
        if (SetDword(opened, "Sound Volume", 5) != ERROR_LOCK_VIOLATION) return 5;
        if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500)) return 6;
        return 0;
    }));
    EXPECT_EQ(before, FileText());

    // Once the holder lets go, writes go through again.
    flock(holder, LOCK_UN);
    close(holder);
    key = Create();
    EXPECT_EQ(ERROR_SUCCESS, SetDword(key, "Time", 2));
    RegCloseKey(key);
}

// Files of a megabyte in the shapes that cost most per byte: thousands of
// values in one key, thousands of keys, keys nested as deep as allowed, and
// one long continued hex value. Each is parsed, then read through the API
// and queried a hundred times, within a hang bound; the times are printed.
TEST_F(RegistryTest, MegabyteFilesLoadInTimeProportionalToTheirLength) {
    const std::string saverKey = "\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n";
    const std::string time = "\"Time\"=dword:00000001\n";
    std::string manyValues = "REGEDIT4\n" + saverKey, manyKeys = "REGEDIT4\n";
    std::string deepKeys = "REGEDIT4\n", longHex = "REGEDIT4\n" + saverKey + "\"Blob\"=hex:00";
    for (int i = 0; manyValues.size() < (1u << 20); ++i) {
        manyValues += "\"Value " + std::to_string(i) + "\"=dword:0000002a\n";
    }
    manyValues += time;
    for (int i = 0; manyKeys.size() < (1u << 20); ++i) {
        manyKeys += "\n[HKEY_CURRENT_USER\\Software\\Key " + std::to_string(i) +
                    "]\n\"x\"=dword:00000001\n";
    }
    manyKeys += saverKey + time;
    // As deep as allowed and as many keys as allowed: the names make up the length.
    for (int i = 0; (i + 1) * kRegistryMaxDepth < kRegistryMaxKeys; ++i) {
        std::string path = "\n[HKEY_CURRENT_USER\\Deep" + std::to_string(i);
        for (size_t level = 1; level < kRegistryMaxDepth; ++level) path += "\\Level of a key";
        deepKeys += path + "]\n";
    }
    deepKeys += saverKey + time;
    while (longHex.size() < (1u << 20)) longHex += ",01,02,03,04,05,06,07,08,\\\n  09";
    longHex += "\n" + time;

    // More keys than a file of settings may hold is damage.
    std::string tooManyKeys = "REGEDIT4\n";
    for (size_t i = 0; i <= kRegistryMaxKeys; ++i) {
        tooManyKeys += "[HKEY_CURRENT_USER\\" + std::to_string(i) + "]\n";
    }
    RegistryHive refused;
    std::string why;
    EXPECT_FALSE(refused.Parse(tooManyKeys, &why));
    EXPECT_NE(std::string::npos, why.find("too many keys")) << why;

    using Milliseconds = std::chrono::duration<double, std::milli>;
    for (const std::string* text : {&manyValues, &manyKeys, &deepKeys, &longHex}) {
        temp.WriteFile("config/velmora/registry.reg", *text);
        EXPECT_EQ(0, InChild([&] {
            alarm(20);
            auto start = std::chrono::steady_clock::now();
            RegistryHive hive;
            std::string error;
            if (!hive.Parse(*text, &error)) return 1;
            auto parsed = std::chrono::steady_clock::now();
            HKEY opened = nullptr;
            if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &opened) != ERROR_SUCCESS)
                return 2;
            for (int i = 0; i < 100; ++i) {
                DWORD value = 0;
                if (GetDword(opened, "Time", &value) != ERROR_SUCCESS || value != 1) return 3;
            }
            RegCloseKey(opened);
            std::printf("%zu bytes: parsed in %.0f ms, opened and queried 100 times in %.0f ms\n",
                        text->size(), Milliseconds(parsed - start).count(),
                        Milliseconds(std::chrono::steady_clock::now() - parsed).count());
            std::fflush(stdout);
            return 0;
        })) << text->substr(0, 80);
    }
}

TEST_F(RegistryTest, OversizedFileIsSetAsideLikeADamagedOne) {
    std::string huge = "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quintaro\\Velmora]\n";
    huge += "\"Time\"=dword:00000001\n";
    while (huge.size() <= (16u << 20)) huge += "; " + std::string(1000, 'x') + "\n";
    temp.WriteFile("config/velmora/registry.reg", huge);
    testing::internal::CaptureStderr();
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key));
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, message.find("larger than 16 MiB")) << message;
    EXPECT_TRUE(huge == temp.ReadFile("config/velmora/registry.reg.damaged"));
}

TEST_F(RegistryTest, ReplacedFileKeepsTheModeOfTheOldOne) {
    HKEY key = Create();
    ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Time", 1));
    for (mode_t mode : {0644, 0444}) {
        ASSERT_EQ(0, chmod(RegistryFile().c_str(), mode));
        ASSERT_EQ(ERROR_SUCCESS, SetDword(key, "Time", mode));
        struct stat info;
        ASSERT_EQ(0, stat(RegistryFile().c_str(), &info));
        EXPECT_EQ(mode, info.st_mode & 07777);
        DWORD value = 0;
        EXPECT_EQ(ERROR_SUCCESS, GetDword(key, "Time", &value));
        EXPECT_EQ(mode, value);
    }
    RegCloseKey(key);
}
