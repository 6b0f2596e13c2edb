// Wine for one test: a prefix of its own, copied from a template prefix that
// is booted once, and a HOME whose ALSA configuration sends DirectSound's
// output to a file, so that no test pays for a boot and none sees another's
// registry, processes or sound.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// The template prefix, booted with wineboot (about 20 s) when it is missing or
// was made by another Wine version. It is kept between runs; a lock makes
// test programs started together boot it once.
const std::string& WineTemplatePrefix();

class WineSession {
public:
    // Copies the template to `folder`/prefix and writes `folder`/home.
    explicit WineSession(const std::string& folder);
    // Ends every program still running in the prefix.
    ~WineSession();
    WineSession(const WineSession&) = delete;
    WineSession& operator=(const WineSession&) = delete;

    const std::string& Prefix() const { return prefix; }
    // Where the ALSA default device (Wine's DirectSound) writes its samples:
    // raw 16-bit little-endian stereo at 48 kHz.
    const std::string& SoundFile() const { return soundFile; }

    // Starts `command` (a Windows program and its arguments) under wine in
    // `folder`; its standard output goes to `outputFile` when one is named.
    pid_t Start(const std::vector<std::string>& command, const std::string& folder,
                const std::string& outputFile = "") const;
    // Runs `command` to its end (at most 60 s) and returns its standard
    // output, its error output discarded; its exit status, -1 when it had to
    // be killed, in `status`.
    std::string Run(const std::vector<std::string>& command, int* status = nullptr) const;

private:
    std::vector<std::pair<std::string, std::string>> Environment() const;
    pid_t StartQuietly(const std::vector<std::string>& command,
                       const std::string& outputFile) const;

    std::string folder;
    std::string prefix;
    std::string home;
    std::string soundFile;
};
