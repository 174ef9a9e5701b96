// The benchmark corpus: one large custom file and a .zip of the same entries.
//
// The custom file holds loose files and a few dozen child containers (some
// with a nested one); sizes are spread log-normally. About two thirds of the
// files are gzip payloads (text and bitmaps), the rest are stored (JPEGs,
// binary data, plain notes). The zip holds the tree the extractor writes from
// it: the same folders, the same output names (".t" text becomes ".txt", and
// so on) and, for the compressed files, the very same deflate streams.
// Everything comes from one fixed seed: the same corpus on every machine.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bench/ZipWriter.h"
#include "tests/fixtures/ContainerWriter.h"

struct SCorpusShape {
    int nFiles;            // file entries in all
    int nContainers;       // child containers of the top level
    int nNestedEvery;      // every n-th of them holds one nested container
    double dMedianSize;    // of the log-normal content size, bytes
    double dSigma;         // its spread (of the natural logarithm)
    size_t nMinSize;       // sizes outside [min, max] are drawn again
    size_t nMaxSize;
    int nDeflateLevel;     // for the gzip payloads and so the zip members

    static SCorpusShape Full();   // about 20,000 files, about 150 MB
    static SCorpusShape Quick();  // a few hundred small files, for the smoke test
    // The full corpus's mix of sizes and kinds with another number of files,
    // the child containers in proportion (at least one).
    static SCorpusShape Sized(int files);
};

struct SCorpusStats {
    int nFiles = 0;
    int nCompressed = 0;
    int nContainers = 0;
    uint64_t nContentBytes = 0;  // what an extraction writes
};

// Deterministic random numbers: mt19937_64's sequence is fixed by the C++
// standard, and the transforms below are our own, so no library's
// distribution code can change the corpus.
class CRandom {
public:
    explicit CRandom(uint64_t seed) : m_engine(seed) {}
    uint64_t Next() { return m_engine(); }
    // Uniform in [0, 1).
    double Uniform() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
    size_t Below(size_t n) { return size_t(Next() % n); }
    double Normal();
    size_t LogNormalSize(double median, double sigma, size_t minSize, size_t maxSize);

private:
    std::mt19937_64 m_engine;
};

class CCorpusBuilder {
public:
    // zipRoot: the folder the extractor makes for the custom file (its base
    // name), under which every zip member is placed.
    CCorpusBuilder(const SCorpusShape& shape, const std::string& zipRoot, CZipWriter& zip);

    // The custom file's bytes; the zip members are written on the way.
    // False when an entry came out unusable (see AddFile).
    bool Build(Bytes& customFile);
    const SCorpusStats& Stats() const { return m_stats; }

private:
    enum class EKind { Text, Bitmap, Jpeg, Binary, Notes };

    bool FillContainer(CContainerWriter& container, const std::string& folder, int files);
    bool AddFile(CContainerWriter& container, const std::string& folder);
    bool AddContainer(CContainerWriter& parent, const std::string& folder, const std::string& name, int files,
                      bool nested);
    EKind PickKind();

    Bytes MakeText(size_t size);
    Bytes MakeNoisyBitmap(size_t size);
    Bytes MakeRandomJpeg(size_t size);
    Bytes MakeBinary(size_t size);

    SCorpusShape m_shape;
    std::string m_strZipRoot;
    CZipWriter& m_zip;
    CRandom m_random;
    std::vector<std::string> m_words;
    int m_nNextIndex = 0;
    SCorpusStats m_stats;
};
