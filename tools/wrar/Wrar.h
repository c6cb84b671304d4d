#pragma once
// The archiver's work, apart from its command line (so that the fuzz test can extract hostile
// archives with it).
//
// Pack writes the regular files of a folder that match a mask into an archive, stored with
// their names only. Links are never followed: they are refused. The archive is written into
// a new file with a unique name beside it, which replaces an older archive only once it is
// complete, keeping the older one's permission bits.
//
// Extract writes every regular file of an archive into a folder without its stored path.
// Entries that could land elsewhere or are no plain files (absolute names, "..", names that
// flatten to "." or nothing, links, devices) are refused. Each file is written into a new file
// in the folder; the new files are renamed over their names only when the whole archive was
// read to its end undamaged (a bad CRC, or a header the reader had to skip, is an error), so a
// damaged archive changes nothing in the folder. An archive that would unpack to more than the
// limits allow stops with an error before that size is written.
//
// Failures raise TFailure with one line for the user; refusals are counted, named on
// standard error and returned.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace Wrar {

struct TFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// How much an extraction may write: no more than Ratio times the archive's size, and never
// less than Minimum allows (small archives of small files are not held to the ratio).
struct TExtractionLimits {
    std::uintmax_t Minimum = std::uintmax_t(64) << 20;
    std::uintmax_t Ratio = 200;
};

// Returns the number of files refused.
int Pack(const std::filesystem::path& ArchiveName, const std::string& FilesToPack);
// Returns the number of entries refused.
int Extract(const std::filesystem::path& ArchiveName, const std::filesystem::path& Target,
            const TExtractionLimits& Limits = {});

} // namespace Wrar
