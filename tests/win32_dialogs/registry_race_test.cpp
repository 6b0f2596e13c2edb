// The registry file under processes that die and processes that race: a
// writer killed at random moments leaves a file that reads, holding either
// the set of values it had or the whole new set and every value written
// before; a settings dialog and a running saver writing at the same time
// keep each other's values.
#include <windows.h>

#include "platform/win32/registry_hive.h"
#include "platform/win32/registry_store.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char kSaverKey[] = "Software\\Quintaro\\Velmora";
const char kScreenKey[] = "Software\\Quintaro\\Velmora\\Screen 1";
const char* const kSettings[] = {"Show Time",     "Enable 12H",    "Enable Sound", "Exit on Mouse",
                                 "Enable FPS",    "Camera Change", "Sound Volume", "Time"};

class RegistryRaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        config = temp / "config";
        setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

    std::string Folder() const { return config + "/velmora"; }
    std::string FileText() const { return temp.ReadFile("config/velmora/registry.reg"); }

    TempFolder temp;
    std::string config;
};

// A complete set of settings, all derived from one generation number, with
// a text whose length changes so that a torn write could not pass as whole.
struct SettingsSet {
    static std::vector<BYTE> Dword(DWORD value) {
        return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    }
    static std::vector<BYTE> Path(uint32_t generation) {
        std::string text = "/opt/velmora/" + std::to_string(generation) + "/" +
                           std::string(generation * 37 % 900, char('a' + generation % 26));
        return std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1);
    }
    static std::vector<BYTE> AdapterId(uint32_t generation) {
        std::vector<BYTE> id(16);
        for (int i = 0; i < 16; ++i) id[i] = BYTE(generation * 31 + i);
        return id;
    }

    static void Put(RegistryKey* key, const char* name, DWORD type, std::vector<BYTE> data) {
        RegistryValue* value = key->Find(name);
        if (value == nullptr) {
            key->values.push_back({name, type, {}});
            value = &key->values.back();
        }
        value->type = type;
        value->data = std::move(data);
    }

    static void Write(RegistryHive& hive, uint32_t generation) {
        RegistryKey* saver = hive.CreateKey(kSaverKey, nullptr);
        for (size_t i = 0; i < std::size(kSettings); ++i) {
            Put(saver, kSettings[i], REG_DWORD, Dword(generation * 8 + DWORD(i)));
        }
        Put(saver, "Path", REG_SZ, Path(generation));
        Put(hive.CreateKey(kScreenKey, nullptr), "Adapter ID", REG_BINARY, AdapterId(generation));
    }

    // The generation the hive's set belongs to; -1 when there is no set,
    // -2 when its values do not all belong to one generation.
    static int64_t Read(const RegistryHive& hive) {
        const RegistryKey* saver = hive.FindKey(kSaverKey);
        if (saver == nullptr || saver->Find("Time") == nullptr) return -1;
        std::vector<BYTE> time = saver->Find("Time")->data;
        if (time.size() != 4) return -2;
        uint32_t last = uint32_t(time[0]) | uint32_t(time[1]) << 8 | uint32_t(time[2]) << 16 |
                        uint32_t(time[3]) << 24;
        uint32_t generation = (last - 7) / 8;
        for (size_t i = 0; i < std::size(kSettings); ++i) {
            const RegistryValue* value = saver->Find(kSettings[i]);
            if (value == nullptr || value->type != REG_DWORD ||
                value->data != Dword(generation * 8 + DWORD(i))) {
                return -2;
            }
        }
        const RegistryValue* path = saver->Find("Path");
        const RegistryKey* screen = hive.FindKey(kScreenKey);
        const RegistryValue* id = screen != nullptr ? screen->Find("Adapter ID") : nullptr;
        if (path == nullptr || path->type != REG_SZ || path->data != Path(generation) ||
            id == nullptr || id->type != REG_BINARY || id->data != AdapterId(generation)) {
            return -2;
        }
        return generation;
    }
};

// Values written once before the writers start; no kill may lose them.
void WriteEarlierValues() {
    ASSERT_EQ(ERROR_SUCCESS, registry_store::Update([](RegistryHive& hive, bool* changed) {
                  RegistryKey* key = hive.CreateKey("Control Panel\\Desktop", nullptr);
                  SettingsSet::Put(key, "ScreenSaveUsePassword", REG_SZ, {'1', 0});
                  SettingsSet::Put(key, "ScreenSaveTimeOut", REG_SZ, {'6', '0', '0', 0});
                  *changed = true;
                  return LONG(ERROR_SUCCESS);
              }));
}

bool EarlierValuesAreThere(const RegistryHive& hive) {
    const RegistryKey* key = hive.FindKey("Control Panel\\Desktop");
    return key != nullptr && key->Find("ScreenSaveUsePassword") != nullptr &&
           key->Find("ScreenSaveTimeOut") != nullptr &&
           key->Find("ScreenSaveTimeOut")->data == std::vector<BYTE>{'6', '0', '0', 0};
}

// What the killed writer shares with the test: the last generation whose
// write had returned, set only after the store reported success.
struct Acknowledged {
    std::atomic<int64_t> generation;
};

}  // namespace

TEST_F(RegistryRaceTest, WriterKilledAThousandTimesLeavesWholeSets) {
    WriteEarlierValues();
    // How long one complete write takes here, so that the kills spread over
    // a few writes on a fast machine and a slow one alike.
    auto started = std::chrono::steady_clock::now();
    for (uint32_t g = 0; g < 10; ++g) {
        ASSERT_EQ(ERROR_SUCCESS, registry_store::Update([&](RegistryHive& hive, bool* changed) {
                      SettingsSet::Write(hive, g);
                      *changed = true;
                      return LONG(ERROR_SUCCESS);
                  }));
    }
    auto writeTime = (std::chrono::steady_clock::now() - started) / 10;
    int64_t writeMicros =
        std::max<int64_t>(50, std::chrono::duration_cast<std::chrono::microseconds>(writeTime).count());

    auto* shared = static_cast<Acknowledged*>(mmap(nullptr, sizeof(Acknowledged),
                                                   PROT_READ | PROT_WRITE,
                                                   MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(MAP_FAILED, shared);
    new (shared) Acknowledged{9};

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    // Kill moments spread over about one and a half writes; a forked writer
    // also needs time to start (much more under the sanitizers), so the
    // spread widens while no kill lands after a whole write and narrows while
    // none lands in the middle of one.
    int64_t spread = 3 * writeMicros / 2;
    int64_t fileGeneration = 9;
    int roundsWithProgress = 0;
    int windowProgress = 0;
    for (int round = 0; round < 1000; ++round) {
        if (round % 50 == 0 && round > 0) {
            if (windowProgress == 0) spread *= 2;
            if (windowProgress == 50) spread = std::max<int64_t>(writeMicros / 2, spread / 2);
            windowProgress = 0;
        }
        std::uniform_int_distribution<int64_t> delay(0, spread);
        pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0) {
            for (int64_t g = fileGeneration + 1;; ++g) {
                LONG result = registry_store::Update([&](RegistryHive& hive, bool* changed) {
                    SettingsSet::Write(hive, uint32_t(g));
                    *changed = true;
                    return LONG(ERROR_SUCCESS);
                });
                if (result != ERROR_SUCCESS) _exit(1);
                shared->generation.store(g);
            }
        }
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed before it was killed";

        RegistryHive hive;
        std::string error;
        ASSERT_TRUE(hive.Parse(FileText(), &error))
            << "round " << round << " (seed " << seed << "): " << error;
        ASSERT_TRUE(EarlierValuesAreThere(hive)) << "round " << round << " (seed " << seed << ")";
        int64_t generation = SettingsSet::Read(hive);
        int64_t acknowledged = shared->generation.load();
        // The write in flight may have reached the file before the kill.
        ASSERT_TRUE(generation == acknowledged || generation == acknowledged + 1)
            << "round " << round << " (seed " << seed << "): file holds set " << generation
            << ", last acknowledged " << acknowledged;
        if (generation > fileGeneration) {
            ++roundsWithProgress;
            ++windowProgress;
        }
        fileGeneration = generation;
        shared->generation.store(generation);
    }
    munmap(shared, sizeof(Acknowledged));
    std::printf("1000 kills, %d of them after one or more whole writes; %lld sets written, "
                "%lld us per write\n",
                roundsWithProgress, static_cast<long long>(fileGeneration - 9),
                static_cast<long long>(writeMicros));
    EXPECT_GT(roundsWithProgress, 0) << "no kill came after a finished write";
    EXPECT_LT(roundsWithProgress, 1000) << "no kill came before a write finished";

    // Nothing was ever moved aside as damaged, and the next write clears the
    // temporary files the killed writers left.
    ASSERT_EQ(ERROR_SUCCESS, registry_store::Update([&](RegistryHive& hive, bool* changed) {
                  SettingsSet::Write(hive, uint32_t(fileGeneration + 1));
                  *changed = true;
                  return LONG(ERROR_SUCCESS);
              }));
    for (const auto& entry : fs::directory_iterator(Folder())) {
        std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "registry.reg" || name == "registry.lock") << name;
    }
}

namespace {

HKEY CreateKey(const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                       KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool SetDword(HKEY key, const char* name, DWORD value) {
    return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                         sizeof value) == ERROR_SUCCESS;
}

// The value, or -1 when it is missing or not a DWORD.
int64_t GetDword(HKEY key, const char* name) {
    DWORD value = 0, size = sizeof value, type = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return -1;
    }
    return value;
}

template <typename Body>
pid_t InChild(Body body) {
    pid_t child = fork();
    if (child == 0) _exit(body());
    return child;
}

}  // namespace

// The settings dialog stores every setting one value at a time, as it does
// when Enter is pressed, again and again; meanwhile a running saver reads the
// settings and stores its screen's values. Each change is made under the
// file's lock on the file as it is then, so neither loses the other's values,
// and a reader never sees a setting go back to an older value.
TEST_F(RegistryRaceTest, DialogAndSaverWritingTogetherLoseNothing) {
    constexpr int kRounds = 40;
    pid_t dialog = InChild([&] {
        HKEY key = CreateKey(kSaverKey);
        if (key == nullptr) return 1;
        for (int round = 1; round <= kRounds; ++round) {
            for (const char* name : kSettings) {
                if (!SetDword(key, name, DWORD(round))) return 2;
            }
        }
        return RegCloseKey(key) == ERROR_SUCCESS ? 0 : 3;
    });
    pid_t saver = InChild([&] {
        HKEY settings = CreateKey(kSaverKey);
        HKEY screen = CreateKey(kScreenKey);
        if (settings == nullptr || screen == nullptr) return 1;
        std::vector<int64_t> seen(std::size(kSettings), -1);
        for (int round = 1; round <= kRounds; ++round) {
            for (size_t i = 0; i < std::size(kSettings); ++i) {
                int64_t value = GetDword(settings, kSettings[i]);
                if (value < seen[i]) return 4;  // a setting went back in time
                seen[i] = value;
            }
            if (!SetDword(screen, "Width", DWORD(round)) ||
                !SetDword(screen, "Height", DWORD(round * 2)) ||
                !SetDword(screen, "Format", DWORD(round * 3))) {
                return 2;
            }
        }
        RegCloseKey(screen);
        return RegCloseKey(settings) == ERROR_SUCCESS ? 0 : 3;
    });
    for (pid_t child : {dialog, saver}) {
        int status = 0;
        ASSERT_EQ(child, waitpid(child, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << (child == dialog ? "dialog" : "saver") << " status " << status;
    }

    HKEY settings = CreateKey(kSaverKey);
    HKEY screen = CreateKey(kScreenKey);
    for (const char* name : kSettings) EXPECT_EQ(kRounds, GetDword(settings, name)) << name;
    EXPECT_EQ(kRounds, GetDword(screen, "Width"));
    EXPECT_EQ(kRounds * 2, GetDword(screen, "Height"));
    EXPECT_EQ(kRounds * 3, GetDword(screen, "Format"));
    RegCloseKey(screen);
    RegCloseKey(settings);
}
