// Writes the inflation fuzzer's seeds into the folder given: gzip members of
// text, bitmaps, runs and noise made by zlib at several levels and
// strategies and under every header option, with junk or a second member
// after some; and the crafted members (tools/GzipCrafts.h).
#include <zlib.h>

#include <cstdio>
#include <string>

#include "tests/fixtures/ContainerWriter.h"
#include "tests/fixtures/GzipCrafts.h"

namespace {

bool Write(const std::string& path, const Bytes& data) {
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    return out && std::fclose(out) == 0 && ok;
}

Bytes Text(size_t size) {
    static const char words[] = "Vanto hero sword shield potion map npc item god level ";
    Bytes text;
    for (size_t i = 0; text.size() < size; ++i) {
        text.push_back(uint8_t(words[(i * 7 + i / 13) % (sizeof words - 1)]));
        if (i % 61 == 60)
            text.push_back('\n');
    }
    text.resize(size);
    return text;
}

Bytes Noise(size_t size) {
    Bytes noise(size);
    uint32_t state = 0x2545F491;
    for (uint8_t& byte : noise) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = uint8_t(state);
    }
    return noise;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-gzip-seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];
    const std::vector<std::pair<const char*, Bytes>> contents = {
        {"text", Text(3000)}, {"long-text", Text(60000)}, {"bitmap", MakeBitmap(40, 30)},
        {"runs", Bytes(5000, 'z')}, {"noise", Noise(700)}, {"byte", Bytes{'a'}}, {"empty", Bytes()}};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    int n = 0;
    bool ok = true;
    for (const auto& content : contents) {
        for (int level : {1, 6, 9}) {
            for (int strategy : strategies) {
                SGzipOptions options;
                options.nLevel = level;
                options.nStrategy = strategy;
                // Header options in turn: none, a name, all of them.
                if (n % 3 == 1)
                    options.name = "hero.t";
                if (n % 3 == 2) {
                    options.bHeaderCrc = options.bExtra = true;
                    options.name = "item.bm";
                    options.comment = "Vanto";
                }
                Bytes stream = GzipMember(content.second, options);
                if (n % 4 == 1)
                    stream.insert(stream.end(), {'j', 'u', 'n', 'k'});
                if (n % 4 == 2) {
                    const Bytes second = GzipBytes(Text(100), 9);
                    stream.insert(stream.end(), second.begin(), second.end());
                }
                const std::string name = std::string(content.first) + "-" + std::to_string(level) + "-" +
                                         std::to_string(strategy) + ".gz";
                ok = Write(dir + "/" + name, stream) && ok;
                ++n;
            }
        }
    }
    for (const auto& craft : MakeGzipCrafts())
        ok = Write(dir + "/craft-" + craft.first + ".gz", craft.second) && ok;
    if (!ok)
        std::perror(dir.c_str());
    return ok ? 0 : 1;
}
