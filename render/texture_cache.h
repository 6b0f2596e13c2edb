// One screen's textures by name. Everybody registers the names it will need
// (AddTexture), then LoadAll makes every texture from "texture/" + name in
// the media, in key order, and GetTexture hands them out. Names are folded
// to lower case (A to Z only) at every entry point.
#pragma once

#include <d3d8.h>

#include <map>
#include <string>

class TextureCache {
public:
    // How a file becomes a texture, in two steps so that the first can run on
    // worker threads: `prepare` turns a file's bytes into an image (null when
    // they are not one) on any thread, `create` makes the texture from an
    // image on the device's thread, and `release` frees an image once done.
    struct TextureDecoder {
        void* (*prepare)(const void* file, UINT size);
        HRESULT (*create)(IDirect3DDevice8* device, const void* image, IDirect3DTexture8** texture);
        void (*release)(void* image);
    };

    // The default: D3DX with a full mip chain, point filtering, managed pool
    // and the colour key 0x0FF00000.
    static const TextureDecoder kFileDecoder;

    explicit TextureCache(const TextureDecoder& decoder = kFileDecoder) : decoder(decoder) {}
    ~TextureCache() { ReleaseAll(); }
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;

    // Registers a name; loads nothing.
    void AddTexture(const char* name);
    // The texture of a name (borrowed), or null when unknown or not loaded.
    IDirect3DTexture8* GetTexture(const char* name) const;
    // Loads every registered name, reading and preparing the files on worker
    // threads while this one makes the textures. One log line per name, in
    // key order.
    void LoadAll(IDirect3DDevice8* device);
    // Releases every loaded texture and forgets every name.
    void ReleaseAll();

    size_t Size() const { return textures.size(); }

private:
    TextureDecoder decoder;
    std::map<std::string, IDirect3DTexture8*> textures;  // key: lower-case name
};

// `text` with A to Z turned into a to z.
std::string LowerCaseAscii(const char* text);
