#include "render/texture_cache.h"

#include "media/log_file.h"
#include "media/media_archive.h"

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
    for (auto& [key, texture] : textures) {
        std::string path = LowerCaseAscii(("texture/" + key).c_str());
        std::unique_ptr<IData> blob = ReadMediaFile(path.c_str());
        if (!blob) {
            WriteLog("Unable to load data from zip" + path);
            continue;
        }
        // An entry loaded by an earlier call keeps one reference only.
        if (texture != nullptr) {
            texture->Release();
            texture = nullptr;
        }
        IDirect3DTexture8* made = nullptr;
        if (FAILED(decoder(device, blob->GetData(), blob->GetSize(), &made)) || made == nullptr) {
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
