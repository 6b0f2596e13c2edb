// The scene's settings in the registry and the configuration dialog, driven
// through the headless dialog backend over a real registry file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/win32/dialog_testing.h"
#include "scene/rerir_screensaver.h"
#include "scene/scene_settings.h"
#include "tests/support/temp_folder.h"

namespace {

class SceneSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_CONFIG_HOME", folder.Path().c_str(), 1);
        SceneSettings = SceneSettingsRecord{};
        UseHeadlessDialogs(true);
    }
    void TearDown() override {
        SetDialogShownHook(nullptr);
        UseHeadlessDialogs(false);
        unsetenv("XDG_CONFIG_HOME");
        SceneSettings = SceneSettingsRecord{};
    }

    HKEY OpenKey() {
        HKEY key;
        DWORD disposition;
        EXPECT_EQ(
            RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Quintaro\\Velmora", 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            ERROR_SUCCESS);
        return key;
    }
    void StoreDword(const char* name, DWORD value) {
        HKEY key = OpenKey();
        RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                      sizeof(value));
        RegCloseKey(key);
    }
    bool ReadDword(const char* name, DWORD* value) {
        HKEY key = OpenKey();
        DWORD size = sizeof(*value), type = 0;
        LONG result =
            RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    // Runs dialog 106 with `act` as the user.
    INT_PTR RunDialog(std::function<void(HWND)> act) {
        SetDialogShownHook([act](HWND dialog, int id) {
            if (id == 106) act(dialog);
        });
        return DialogBoxParam(nullptr, MAKEINTRESOURCE(106), nullptr, ConfigDialogProc, 0);
    }

    TempFolder folder;
    CRerirScreensaver scene;
};

std::string Text(HWND dialog, int id) {
    char text[256];
    GetDlgItemText(dialog, id, text, sizeof(text));
    return text;
}

}  // namespace

TEST_F(SceneSettingsTest, FirstRunShowsTheDefaults) {
    RunDialog([](HWND dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1007), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1008), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1011), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1016), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1010), static_cast<UINT>(BST_UNCHECKED));
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1012), static_cast<UINT>(BST_CHECKED));
        EXPECT_EQ(Text(dialog, 1020), "Camera Change Delay: 20 sec");
        EXPECT_EQ(SendDlgItemMessage(dialog, 1017, TBM_GETPOS, 0, 0), 100);
        DialogUserClick(dialog, IDCANCEL);
    });
}

TEST_F(SceneSettingsTest, ShowTimeGreysTheClockStylesAndCancelWritesNothing) {
    INT_PTR result = RunDialog([](HWND dialog) {
        EXPECT_TRUE(DialogUserClick(dialog, 1007));   // uncheck "Show Time"
        EXPECT_FALSE(DialogUserClick(dialog, 1009));  // greyed: the click does nothing
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1008), static_cast<UINT>(BST_CHECKED));
        EXPECT_TRUE(DialogUserMoveTrackbar(dialog, 1015, 30));
        EXPECT_EQ(Text(dialog, 1020), "Camera Change Delay: 35 sec");
        DialogUserClick(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL);
    DWORD value;
    EXPECT_FALSE(ReadDword("Show Time", &value));
    EXPECT_EQ(SceneSettings.showTime, 1);
    EXPECT_EQ(SceneSettings.cameraChangeDelay, 15);
}

TEST_F(SceneSettingsTest, OkWritesAllEightValues) {
    INT_PTR result = RunDialog([](HWND dialog) {
        DialogUserClick(dialog, 1010);  // "Show FPS"
        DialogUserClick(dialog, 1014);  // "Random"
        DialogUserMoveTrackbar(dialog, 1017, 40);
        DialogUserClick(dialog, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    const char* names[] = {"Show Time",  "Enable 12H",    "Enable Sound", "Exit on Mouse",
                           "Enable FPS", "Camera Change", "Sound Volume", "Time"};
    DWORD expected[] = {1, 1, 1, 1, 1, 15, 40, 2};
    for (int i = 0; i < 8; ++i) {
        DWORD value = 99;
        EXPECT_TRUE(ReadDword(names[i], &value)) << names[i];
        EXPECT_EQ(value, expected[i]) << names[i];
    }
}

// Numbers stored by hand are brought into the range of their control when
// they are read, at every boundary: a "Camera Change" of 0x7fffffff,
// 0x80000000 or -5 would otherwise cut the camera on every frame.
TEST_F(SceneSettingsTest, HandStoredValuesAreReadWithinTheControlsRanges) {
    const std::pair<DWORD, int32_t> delays[] = {
        {0xffffffffu, 0}, {0, 0},           {40, 40},
        {41, 40},         {0x7fffffffu, 40}, {0x80000000u, 0}, {static_cast<DWORD>(-5), 0}};
    for (auto [stored, read] : delays) {
        StoreDword("Camera Change", stored);
        scene.ReadSceneSettings();
        EXPECT_EQ(SceneSettings.cameraChangeDelay, read) << stored;
    }
    const std::pair<DWORD, int32_t> volumes[] = {
        {0xffffffffu, 0}, {0, 0}, {100, 100}, {101, 100}, {0x80000000u, 0}};
    for (auto [stored, read] : volumes) {
        StoreDword("Sound Volume", stored);
        scene.ReadSceneSettings();
        EXPECT_EQ(SceneSettings.soundVolume, read) << stored;
    }
    StoreDword("Camera Change", 60);
    StoreDword("Time", 7);
    StoreDword("Enable FPS", 1);
    scene.ReadSceneSettings();
    EXPECT_EQ(SceneSettings.cameraChangeDelay, 40);
    EXPECT_EQ(SceneSettings.timeOfDay, 7);  // random for the scene
    EXPECT_EQ(SceneSettings.enableFps, 1);
    RunDialog([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessage(dialog, 1015, TBM_GETPOS, 0, 0), 40);
        EXPECT_EQ(IsDlgButtonChecked(dialog, 1012), static_cast<UINT>(BST_CHECKED));
        DialogUserClick(dialog, IDCANCEL);
    });
}

// OK with a read-only settings folder: a message box says that the settings
// were not saved and why, and the dialog stays open with the values chosen.
// As an ordinary user (root writes anywhere), in a child process.
TEST_F(SceneSettingsTest, OkThatCannotSaveSaysWhyAndKeepsTheDialogOpen) {
    StoreDword("Time", 0);
    const std::string before = folder.ReadFile("velmora/registry.reg");
    chmod(folder.Path().c_str(), 0755);
    chmod((folder / "velmora").c_str(), 0555);
    chmod((folder / "velmora/registry.reg").c_str(), 0644);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(10);
        ClearHeadlessMessageBoxes();
        int stillOpen = 0;
        INT_PTR result = RunDialog([&](HWND dialog) {
            DialogUserClick(dialog, 1013);  // "Night"
            DialogUserClick(dialog, IDOK);
            // The dialog is still there, showing what was chosen.
            stillOpen = IsWindow(dialog) &&
                        IsDlgButtonChecked(dialog, 1013) == static_cast<UINT>(BST_CHECKED);
            DialogUserClick(dialog, IDCANCEL);
        });
        const auto& boxes = HeadlessMessageBoxes();
        if (result != IDCANCEL) _exit(11);
        if (!stillOpen) _exit(12);
        if (boxes.size() != 1) _exit(13);
        if (boxes[0].text != "Settings could not be saved: Access is denied.") _exit(14);
        if (boxes[0].caption != "Velmora" || (boxes[0].type & MB_ICONMASK) != MB_ICONERROR)
            _exit(15);
        _exit(0);
    }
    int status = -1;
    waitpid(child, &status, 0);
    chmod((folder / "velmora").c_str(), 0700);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(folder.ReadFile("velmora/registry.reg"), before);
}

TEST_F(SceneSettingsTest, MediaPathComesFromPathUnlessItIsTooLong) {
    HKEY key = OpenKey();
    std::string path = "/opt/velmora/";
    RegSetValueEx(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                  static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
    scene.ReadSceneSettings();
    EXPECT_EQ(scene.mediaPath, path);

    std::string tooLong(300, 'p');
    key = OpenKey();
    RegSetValueEx(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                  static_cast<DWORD>(tooLong.size() + 1));
    RegCloseKey(key);
    scene.ReadSceneSettings();
    EXPECT_EQ(scene.mediaPath, "");
}

TEST_F(SceneSettingsTest, MissingMediaMakesInitSceneFail) {
    scene.mode = ScreenSaverMode::Preview;  // no sound in preview
    EXPECT_EQ(scene.InitScene(), E_FAIL);
    EXPECT_EQ(scene.ShutdownScene(), S_OK);
    // The log never becomes a file.
    for (const std::string& file : folder.ListFiles()) {
        EXPECT_EQ(file.find("log.txt"), std::string::npos) << file;
    }
}

TEST_F(SceneSettingsTest, VisitSiteOpensTheShortcutInTheMediaFolder) {
    // A stand-in xdg-open on the PATH records what it was asked to open.
    folder.WriteFile("bin/xdg-open",
                     "#!/bin/sh\necho \"$1\" >> \"" + (folder / "opened.txt") + "\"\n");
    chmod((folder / "bin/xdg-open").c_str(), 0755);
    std::string path = getenv("PATH") != nullptr ? getenv("PATH") : "";
    setenv("PATH", ((folder / "bin") + ":" + path).c_str(), 1);
    auto opened = [&](size_t lines) {
        for (int i = 0; i < 300; ++i) {
            std::string all = folder.ReadFile("opened.txt");
            if (size_t(std::count(all.begin(), all.end(), '\n')) >= lines) return all;
            Sleep(10);
        }
        return folder.ReadFile("opened.txt");
    };
    auto visitSite = [&] {
        RunDialog([](HWND dialog) {
            EXPECT_TRUE(DialogUserClick(dialog, 1018));
            DialogUserClick(dialog, IDCANCEL);
        });
    };

    // No "Path": the current folder holds the media and the shortcut.
    folder.WriteFile("Media.dat", "archive");
    folder.WriteFile("site.url", "[InternetShortcut]\r\nURL=file:///here/README.md\r\n");
    visitSite();
    EXPECT_EQ(opened(1), "file:///here/README.md\n");

    // "Path" names the folder.
    folder.WriteFile("stored/site.url", "[InternetShortcut]\nURL=https://example.org/stored\n");
    HKEY key = OpenKey();
    std::string stored = folder / "stored/";
    RegSetValueEx(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                  static_cast<DWORD>(stored.size() + 1));
    RegCloseKey(key);
    visitSite();
    EXPECT_EQ(opened(2), "file:///here/README.md\nhttps://example.org/stored\n");
    setenv("PATH", path.c_str(), 1);
}
