#include "tools/FuzzSeeds.h"

#include "tools/ContainerWriter.h"

namespace {

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

}  // namespace

Bytes MakeProblemFile() {
    // Eight levels of 38-letter folders: deeper than any output path can go.
    CContainerWriter end;
    end.AddText("end.txt", "deep");
    const CContainerWriter deep =
        NestInChildren(end, 8, [](int depth) { return std::string(38, char('a' + depth)) + ".x"; });
    CContainerWriter junk;
    junk.AddText("inner.txt", "then bytes that are no entry").AddRaw(Text("0123456789"));
    Bytes cut = GzipBytes(Text("a stream cut short"));
    cut.resize(cut.size() - 6);
    CContainerWriter file;
    file.AddText("ok.txt", "fine")
        .AddText("..\\evil.txt", "climbs out")
        .AddText("Dup.txt", "one")
        .AddText("dup.txt", "two")
        .Add("cut.dat", cut)
        .Add("two.dat", Concat(GzipBytes(Text("first")), GzipBytes(Text("second"))))
        .Add("tail.dat", Concat(GzipBytes(Text("content")), Text("junk")))
        .AddChild("deep.x", deep)
        .AddChild("junk.x", junk)
        .AddRaw(Concat(MakeEntryHeader("broken.txt", "999"), Text("too short")));
    return file.Data();
}

std::vector<std::pair<std::string, Bytes>> MakeFuzzSeeds() {
    CContainerWriter inner;
    inner.AddText("cmap\\a.t", "map").AddGzip("b.bm", MakeBitmap(2, 2)).AddText("c.tx", "text");
    CContainerWriter nested;
    nested.AddChild("kid.pak", inner).AddChild(".pak", inner).AddText("x .t", "blank");
    CContainerWriter leaf;
    leaf.AddText("leaf.t", "leaf");
    const CContainerWriter deep = NestInChildren(leaf, 4, [](int) { return std::string("d"); });
    Bytes music(1028, 'a');
    music[1024] = 'm', music[1025] = '1', music[1026] = '_', music[1027] = '0';
    CContainerWriter kinds;
    kinds.Add("m.t", music).Add("j.t", MakeJfif(40)).Add("bin.t", Bytes{0, 1, 2, 3}).AddText("noext", "n");
    CContainerWriter damaged;
    damaged.AddText("ok.t", "ok").AddRaw(MakeEntryHeader("bad.t", "999"));

    return {{"sample.god", MakeSampleCustomFile()},
            {"nested.god", nested.Data()},
            {"deep.god", deep.Data()},
            {"kinds.god", kinds.Data()},
            {"damaged.god", damaged.Data()},
            {"problems.god", MakeProblemFile()}};
}
