// Reading a JAR (ZIP) archive into memory: every stored or deflated entry, checked
// against the sizes and CRC of its directory record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace classconv {

struct ArchiveEntry {
    std::string name;
    std::vector<uint8_t> data;
};

// Directories are skipped. False with a message for anything malformed.
bool readArchive(const std::vector<uint8_t>& zip, std::vector<ArchiveEntry>& out, std::string& error);

bool readFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);

}  // namespace classconv
