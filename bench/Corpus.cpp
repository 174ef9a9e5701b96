#include "bench/Corpus.h"

#include <cmath>
#include <cstdio>

#include "extract/Container.h"

namespace {

const uint64_t kSeed = 0x56414E544F424E43ull;  // "VANTOBNC"
const char* const kContainerNames[] = {"chara", "map", "event", "item", "sound", "system"};

std::string Numbered(const char* prefix, int n, int digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%0*d", prefix, digits, n);
    return buf;
}

}  // namespace

SCorpusShape SCorpusShape::Full() { return {20000, 36, 6, 3350.0, 1.55, 300, 2u * 1024u * 1024u, 6}; }

SCorpusShape SCorpusShape::Sized(int files) {
    SCorpusShape shape = Full();
    const int containers = int((int64_t(shape.nContainers) * files + shape.nFiles / 2) / shape.nFiles);
    shape.nContainers = containers > 0 ? containers : 1;
    shape.nFiles = files;
    return shape;
}

SCorpusShape SCorpusShape::Quick() { return {240, 4, 2, 1500.0, 1.2, 200, 64u * 1024u, 6}; }

double CRandom::Normal() {
    // Box-Muller; 1 - Uniform() lies in (0, 1], so the logarithm is finite.
    const double u1 = 1.0 - Uniform();
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
}

size_t CRandom::LogNormalSize(double median, double sigma, size_t minSize, size_t maxSize) {
    for (;;) {
        const double size = median * std::exp(sigma * Normal());
        if (size >= double(minSize) && size <= double(maxSize))
            return size_t(size);
    }
}

CCorpusBuilder::CCorpusBuilder(const SCorpusShape& shape, const std::string& zipRoot, CZipWriter& zip)
    : m_shape(shape), m_strZipRoot(zipRoot), m_zip(zip), m_random(kSeed) {
    // A fixed vocabulary makes the text compress like real text (about 3:1).
    for (int i = 0; i < 600; ++i) {
        std::string word;
        const size_t length = 2 + m_random.Below(8);
        for (size_t k = 0; k < length; ++k)
            word.push_back(char('a' + m_random.Below(26)));
        m_words.push_back(word);
    }
}

bool CCorpusBuilder::Build(Bytes& customFile) {
    const std::string folder = m_strZipRoot + "/";
    m_zip.AddFolder(folder);
    CContainerWriter top;
    const int loose = m_shape.nFiles / 100 > 0 ? m_shape.nFiles / 100 : 1;
    if (!FillContainer(top, folder, loose))
        return false;

    const int rest = m_shape.nFiles - loose;
    for (int i = 0; i < m_shape.nContainers; ++i) {
        const int files = rest / m_shape.nContainers + (i < rest % m_shape.nContainers ? 1 : 0);
        const std::string name = Numbered(kContainerNames[i % 6], i, 2);
        const bool nested = m_shape.nNestedEvery > 0 && i % m_shape.nNestedEvery == 0;
        if (!AddContainer(top, folder, name, files, nested))
            return false;
    }
    customFile = top.Data();
    return true;
}

bool CCorpusBuilder::AddContainer(CContainerWriter& parent, const std::string& folder, const std::string& name,
                                  int files, bool nested) {
    // The extractor names the folder after the entry without ".pak".
    const std::string childFolder = folder + name + "/";
    m_zip.AddFolder(childFolder);
    ++m_stats.nContainers;
    CContainerWriter child;
    const int inner = nested ? files / 3 : 0;
    if (!FillContainer(child, childFolder, files - inner - inner / 2))
        return false;
    if (inner > 0 && !AddContainer(child, childFolder, "anim", inner, false))
        return false;
    if (!FillContainer(child, childFolder, inner / 2))
        return false;
    parent.AddChild(name + ".pak", child);
    return true;
}

bool CCorpusBuilder::FillContainer(CContainerWriter& container, const std::string& folder, int files) {
    for (int i = 0; i < files; ++i) {
        if (!AddFile(container, folder))
            return false;
    }
    return true;
}

CCorpusBuilder::EKind CCorpusBuilder::PickKind() {
    const double r = m_random.Uniform();
    if (r < 0.45)
        return EKind::Text;
    if (r < 0.67)
        return EKind::Bitmap;
    if (r < 0.82)
        return EKind::Jpeg;
    if (r < 0.94)
        return EKind::Binary;
    return EKind::Notes;
}

bool CCorpusBuilder::AddFile(CContainerWriter& container, const std::string& folder) {
    const EKind kind = PickKind();
    const size_t size =
        m_random.LogNormalSize(m_shape.dMedianSize, m_shape.dSigma, m_shape.nMinSize, m_shape.nMaxSize);
    const int index = m_nNextIndex++;

    // Entry name and the name the extractor gives the written file; the
    // running index keeps every output name unique.
    std::string entryName, outputName;
    Bytes content;
    bool compress = false;
    switch (kind) {
    case EKind::Text:
        entryName = Numbered("msg", index, 5) + ".t";
        outputName = Numbered("msg", index, 5) + ".txt";
        content = MakeText(size);
        compress = true;
        break;
    case EKind::Bitmap:
        entryName = Numbered("tex", index, 5) + ".t";
        outputName = Numbered("tex", index, 5) + ".bmp";
        content = MakeNoisyBitmap(size);
        compress = true;
        break;
    case EKind::Jpeg:
        entryName = Numbered("pic", index, 5) + ".t";
        outputName = Numbered("pic", index, 5) + ".jpg";
        content = MakeRandomJpeg(size);
        break;
    case EKind::Binary:
        entryName = Numbered("bin", index, 5) + ".dat";
        outputName = entryName;
        content = MakeBinary(size);
        break;
    case EKind::Notes:
        entryName = Numbered("memo", index, 5) + ".tx";
        outputName = Numbered("memo", index, 5) + ".txt";
        content = MakeText(size);
        break;
    }

    const Bytes payload = compress ? GzipBytes(content, m_shape.nDeflateLevel) : content;
    // A payload that passed for an entry header would be walked as a child
    // container and the zip would no longer hold the same tree.
    if (payload.size() > 0x7FFFFFFFu || IsValidEntryHeader(payload.data(), int32_t(payload.size()))) {
        std::fprintf(stderr, "make-bench-corpus: entry %s would read as a container\n", entryName.c_str());
        return false;
    }
    container.Add(entryName, payload);
    if (compress)
        m_zip.AddFromGzip(folder + outputName, payload);
    else
        m_zip.AddStored(folder + outputName, content);

    ++m_stats.nFiles;
    m_stats.nCompressed += compress ? 1 : 0;
    m_stats.nContentBytes += content.size();
    return true;
}

Bytes CCorpusBuilder::MakeText(size_t size) {
    // Lines of words with a few numbers, CRLF ended, as game scripts are.
    std::string text = "; generated text\r\n";
    int wordsInLine = 0;
    while (text.size() < size) {
        if (m_random.Below(9) == 0)
            text += std::to_string(m_random.Below(10000));
        else
            text += m_words[m_random.Below(m_words.size())];
        if (++wordsInLine == 12) {
            text += "\r\n";
            wordsInLine = 0;
        } else {
            text += ' ';
        }
    }
    text.resize(size);
    return Bytes(text.begin(), text.end());
}

Bytes CCorpusBuilder::MakeNoisyBitmap(size_t size) {
    // Game art: flat 8x8 cells next to noisy ones, so that it compresses
    // about 2:1 like a real texture, not like a flat test image or noise.
    int width = int(std::sqrt(double(size) / 3.0));
    if (width < 1)
        width = 1;
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    int height = size > 54 ? int((size - 54) / rowBytes) : 1;
    if (height < 1)
        height = 1;
    Bytes bitmap = MakeBitmap(width, height);
    const uint64_t salt = m_random.Next();
    uint64_t noise = salt | 1;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.data() + 54 + size_t(y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const uint64_t cell = (uint64_t(x >> 3) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(y >> 3) * 0xC2B2AE3D27D4EB4Full) ^ salt;
            noise ^= noise << 13;  // xorshift64: fast, seeded from the corpus's sequence
            noise ^= noise >> 7;
            noise ^= noise << 17;
            for (int k = 0; k < 3; ++k) {
                const uint8_t flat = uint8_t(cell >> (8 * k + 24));
                row[x * 3 + k] = (cell >> 60) < 9 ? flat : uint8_t(flat + (noise >> (8 * k)));
            }
        }
    }
    return bitmap;
}

Bytes CCorpusBuilder::MakeRandomJpeg(size_t size) {
    // JFIF-shaped, with a body that does not compress (as JPEG data does not).
    Bytes jpeg = MakeJfif(size < 32 ? 32 : size);
    for (size_t i = 20; i + 2 < jpeg.size(); ++i)
        jpeg[i] = uint8_t(m_random.Next() >> 56);
    return jpeg;
}

Bytes CCorpusBuilder::MakeBinary(size_t size) {
    Bytes data(size);
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t v = m_random.Next();
        for (size_t k = 0; k < 8 && i + k < size; ++k)
            data[i + k] = uint8_t(v >> (8 * k));
    }
    data[0] = 0;  // never the gzip magic
    return data;
}
