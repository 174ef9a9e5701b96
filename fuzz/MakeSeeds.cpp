// Writes the fuzzer's seed corpus into the folder given: a few small custom
// files that reach children, gzip, cmap folders and the naming rules.
#include <cstdio>
#include <string>

#include "tools/ContainerWriter.h"

namespace {

bool Write(const std::string& dir, const char* name, const Bytes& data) {
    const std::string path = dir + "/" + name;
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(data.data(), 1, data.size(), out) == data.size();
    return out && std::fclose(out) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
        return 2;
    }
    const std::string dir = argv[1];

    CContainerWriter inner;
    inner.AddText("cmap\\a.t", "map").AddGzip("b.bm", MakeBitmap(2, 2)).AddText("c.tx", "text");
    CContainerWriter nested;
    nested.AddChild("kid.pak", inner).AddChild(".pak", inner).AddText("x .t", "blank");
    CContainerWriter deep;
    deep.AddText("leaf.t", "leaf");
    for (int i = 0; i < 4; ++i) {
        CContainerWriter outer;
        outer.AddChild("d", deep);
        deep = outer;
    }
    Bytes music(1028, 'a');
    music[1024] = 'm', music[1025] = '1', music[1026] = '_', music[1027] = '0';
    CContainerWriter kinds;
    kinds.Add("m.t", music).Add("j.t", MakeJfif(40)).Add("bin.t", Bytes{0, 1, 2, 3}).AddText("noext", "n");
    CContainerWriter damaged;
    damaged.AddText("ok.t", "ok").AddRaw(MakeEntryHeader("bad.t", "999"));

    const bool ok = Write(dir, "sample.god", MakeSampleCustomFile()) && Write(dir, "nested.god", nested.Data()) &&
                    Write(dir, "deep.god", deep.Data()) && Write(dir, "kinds.god", kinds.Data()) &&
                    Write(dir, "damaged.god", damaged.Data());
    if (!ok) {
        std::perror(dir.c_str());
        return 1;
    }
    return 0;
}
