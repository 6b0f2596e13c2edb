#include "render/texture_prefetch.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "media/media_archive.h"

namespace {

constexpr unsigned kMostWorkers = 4;

}  // namespace

unsigned TexturePrefetch::DefaultWorkers() {
    // Making the textures on the drawing thread is the slower side, so more
    // than a few workers would only hold more images at once.
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMostWorkers);
}

TexturePrefetch::TexturePrefetch(std::vector<std::string> paths,
                                 const TextureCache::TextureDecoder& decoder, unsigned workers)
    : paths(std::move(paths)), decoder(decoder), slots(this->paths.size()) {
    workers = static_cast<unsigned>(std::min<size_t>(workers, this->paths.size()));
    // Each worker one file ahead of the taker, and one more ready to hand
    // over, keeps every core busy without decoding the whole list at once.
    lookahead = workers + 1;
    threads.reserve(workers);
    try {
        for (unsigned i = 0; i < workers; ++i) threads.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // The workers that did start carry on; with none, TakeNext prepares.
    }
}

TexturePrefetch::~TexturePrefetch() {
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
    for (Slot& slot : slots)
        if (slot.state == State::Ready && slot.result.image != nullptr)
            decoder.release(slot.result.image);
}

TexturePrefetch::Prepared TexturePrefetch::TakeNext() {
    std::unique_lock<std::mutex> guard(lock);
    if (nextToTake >= slots.size()) return {};
    if (threads.empty()) {
        slots[nextToTake].state = State::Taken;
        return Prepare(paths[nextToTake++]);
    }
    Slot& slot = slots[nextToTake];
    changed.wait(guard, [&] { return slot.state == State::Ready; });
    slot.state = State::Taken;
    ++nextToTake;
    Prepared taken = slot.result;
    slot.result = {};
    guard.unlock();
    changed.notify_all();  // a worker may start one more file
    return taken;
}

void TexturePrefetch::Work() {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [&] {
            return stopping || nextToStart >= slots.size() || nextToStart < nextToTake + lookahead;
        });
        if (stopping || nextToStart >= slots.size()) return;
        const size_t index = nextToStart++;
        slots[index].state = State::Working;
        guard.unlock();
        Prepared result = Prepare(paths[index]);
        guard.lock();
        slots[index].result = result;
        slots[index].state = State::Ready;
        changed.notify_all();
    }
}

TexturePrefetch::Prepared TexturePrefetch::Prepare(const std::string& path) const {
    Prepared result;
    try {
        std::unique_ptr<IData> blob = ReadMediaFile(path.c_str());
        if (!blob) return result;
        result.found = true;
        result.image = decoder.prepare(blob->GetData(), blob->GetSize());
    } catch (const std::bad_alloc&) {
        // Counted as a file that did not decode.
    }
    return result;
}
