// Reads texture files from the media and prepares them (decoding, colour key,
// mip chain) on worker threads, ahead of the device's thread, which takes
// them one by one in their order and makes the textures. Workers stay a few
// files ahead of the taker, so few prepared images are held at once.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "render/texture_cache.h"

class TexturePrefetch {
public:
    // What became of one file.
    struct Prepared {
        bool found = false;     // false: no media file of that name
        void* image = nullptr;  // null when the file is not an image; the taker's
    };

    // One worker per core, up to four.
    static unsigned DefaultWorkers();

    // Starts preparing `paths` at once on `workers` threads. With no workers
    // (or none the system would start) each file is prepared when taken.
    TexturePrefetch(std::vector<std::string> paths, const TextureCache::TextureDecoder& decoder,
                    unsigned workers = DefaultWorkers());
    // Stops the workers and releases every image not taken.
    ~TexturePrefetch();
    TexturePrefetch(const TexturePrefetch&) = delete;
    TexturePrefetch& operator=(const TexturePrefetch&) = delete;

    // Waits for the next file in order and hands it over. Call once per path.
    Prepared TakeNext();

private:
    enum class State { Waiting, Working, Ready, Taken };
    struct Slot {
        State state = State::Waiting;
        Prepared result;
    };

    void Work();
    Prepared Prepare(const std::string& path) const;

    const std::vector<std::string> paths;
    const TextureCache::TextureDecoder decoder;
    size_t lookahead = 1;  // files a worker may start beyond the next one taken

    std::mutex lock;
    std::condition_variable changed;
    std::vector<Slot> slots;
    size_t nextToStart = 0;
    size_t nextToTake = 0;
    bool stopping = false;
    std::vector<std::thread> threads;
};
