// gzip members made with zlib's deflate under every header option, and small
// members written bit by bit where decoders may judge differently: codes
// zlib refuses or takes only in part, symbols outside the fixed codes' range,
// the header's own CRC, cut and followed members. For the inflation tests and
// the inflation fuzzer's seeds; the product itself only reads.
#pragma once

#include <string>
#include <vector>

#include "tools/Bytes.h"

struct SGzipOptions {
    int nLevel = 6;
    int nStrategy = 0;  // zlib's Z_DEFAULT_STRATEGY, Z_FILTERED, ... Z_FIXED
    bool bHeaderCrc = false;
    bool bExtra = false;
    std::string name;     // stored as FNAME when not empty
    std::string comment;  // stored as FCOMMENT when not empty
};

// A gzip member of content, made by zlib with those options.
Bytes GzipMember(const Bytes& content, const SGzipOptions& options);

// Each crafted member's name and bytes; every one is a few dozen bytes,
// but for "fixed-offset-30" (25 KB).
std::vector<std::pair<std::string, Bytes>> MakeGzipCrafts();
