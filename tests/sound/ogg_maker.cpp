#include "tests/sound/ogg_maker.h"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>
#include <cstdio>

std::vector<int16_t> MakeSignal(int rate, int channels, double seconds) {
    const int frames = static_cast<int>(rate * seconds);
    std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        for (int c = 0; c < channels; ++c) {
            double f = 220.0 * (c + 1) + 200.0 * t;
            double v =
                0.3 * std::sin(2 * M_PI * f * t) + 0.15 * std::sin(2 * M_PI * 3.1 * f * t + c);
            samples[static_cast<size_t>(i) * channels + c] =
                static_cast<int16_t>(std::lrint(v * 32767.0));
        }
    }
    return samples;
}

std::string EncodeOgg(const std::vector<int16_t>& samples, int rate, int channels) {
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, channels, rate, 0.6f);
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    std::string out;
    ogg_page page;
    ogg_packet packet;
    auto flushPages = [&](bool force) {
        while (force ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            out.append(reinterpret_cast<char*>(page.header), static_cast<size_t>(page.header_len));
            out.append(reinterpret_cast<char*>(page.body), static_cast<size_t>(page.body_len));
        }
    };

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    flushPages(true);

    const size_t frames = samples.size() / channels;
    const size_t chunk = 1024;
    for (size_t start = 0;; start += chunk) {
        size_t n = start < frames ? std::min(chunk, frames - start) : 0;
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buffer[c][i] = samples[(start + i) * channels + c] / 32768.0f;
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(n));  // 0 marks the end
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                flushPages(false);
            }
        }
        if (n == 0) break;
    }
    flushPages(true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

namespace {

struct Cursor {
    const std::string* bytes;
    size_t position;
};

size_t Read(void* destination, size_t size, size_t count, void* source) {
    auto* c = static_cast<Cursor*>(source);
    size_t n = std::min(size * count, c->bytes->size() - c->position);
    memcpy(destination, c->bytes->data() + c->position, n);
    c->position += n;
    return size ? n / size : 0;
}

}  // namespace

std::string DecodeOgg(const std::string& file) {
    Cursor cursor{&file, 0};
    OggVorbis_File vf;
    ov_callbacks callbacks = {Read, nullptr, nullptr, nullptr};
    if (ov_open_callbacks(&cursor, &vf, nullptr, 0, callbacks) < 0) return {};
    std::string pcm;
    char buffer[4096];
    int section = 0;
    long n;
    while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0) {
        if (section != 0) break;
        pcm.append(buffer, static_cast<size_t>(n));
    }
    ov_clear(&vf);
    return pcm;
}
