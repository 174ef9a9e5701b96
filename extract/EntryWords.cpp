#include "extract/EntryWords.h"

const char* KindWord(EEntryKind kind) {
    switch (kind) {
    case EEntryKind::Child: return "folder";
    case EEntryKind::Stored: return "stored";
    case EEntryKind::Gzip: return "gzip";
    case EEntryKind::GzipFailed: return "gzip-failed";
    }
    return "stored";
}

const char* StatusWord(EEntryStatus status) {
    switch (status) {
    case EEntryStatus::Written: return "written";
    case EEntryStatus::Listed: return "listed";
    case EEntryStatus::Exists: return "exists";
    case EEntryStatus::Unsafe: return "unsafe";
    case EEntryStatus::Damaged: return "damaged";
    case EEntryStatus::TooLong: return "too-long";
    case EEntryStatus::CannotCreate: return "cannot-create";
    case EEntryStatus::CannotWrite: return "cannot-write";
    case EEntryStatus::Filtered: return "filtered";
    }
    return "listed";
}

std::vector<const char*> ProblemWords(uint32_t problems) {
    static const struct {
        uint32_t bit;
        const char* word;
    } kWords[] = {
        {kProblemDamaged, "damaged"},       {kProblemUnsafe, "unsafe"},         {kProblemTooLong, "too-long"},
        {kProblemCollides, "collides"},     {kProblemGzipFails, "gzip-fails"}, {kProblemGzipTrailing, "gzip-trailing"},
        {kProblemTrailingData, "trailing-data"},
    };
    std::vector<const char*> words;
    for (const auto& w : kWords) {
        if (problems & w.bit)
            words.push_back(w.word);
    }
    return words;
}

std::string HexBytes(const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 15]);
    }
    return hex;
}
