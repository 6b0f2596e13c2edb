#include "render/texture_cache.h"

#include "media/log_file.h"
#include "render/texture_prefetch.h"

namespace {

void WriteLog(const std::string& line) {
    if (LogFile* log = GetLog()) log->WriteLine(line.c_str());
}

}  // namespace

std::string LowerCaseAscii(const char* text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

void TextureCache::AddTexture(const char* name) {
    textures.try_emplace(LowerCaseAscii(name), nullptr);
}

IDirect3DTexture8* TextureCache::GetTexture(const char* name) const {
    auto entry = textures.find(LowerCaseAscii(name));
    return entry == textures.end() ? nullptr : entry->second;
}

void TextureCache::LoadAll(IDirect3DDevice8* device) {
    std::vector<std::string> paths;
    for (const auto& entry : textures)
        paths.push_back(LowerCaseAscii(("texture/" + entry.first).c_str()));
    TexturePrefetch prefetch(paths, decoder);
    size_t index = 0;
    for (auto& [key, texture] : textures) {
        const std::string& path = paths[index++];
        TexturePrefetch::Prepared file = prefetch.TakeNext();
        if (!file.found) {
            WriteLog("Unable to load data from zip" + path);
            continue;
        }
        // An entry loaded by an earlier call keeps one reference only.
        if (texture != nullptr) {
            texture->Release();
            texture = nullptr;
        }
        IDirect3DTexture8* made = nullptr;
        const bool ok = file.image != nullptr &&
                        SUCCEEDED(decoder.create(device, file.image, &made)) && made != nullptr;
        if (file.image != nullptr) decoder.release(file.image);
        if (!ok) {
            WriteLog("Texture Load " + path + " -NO");
            continue;
        }
        WriteLog("Texture Load " + path + " -OK");
        texture = made;
    }
}

void TextureCache::ReleaseAll() {
    for (auto& entry : textures) {
        if (entry.second != nullptr) entry.second->Release();
        entry.second = nullptr;
    }
    textures.clear();
}
