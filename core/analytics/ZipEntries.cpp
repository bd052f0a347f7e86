#include "core/analytics/ZipEntries.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <minizip/unzip.h>

namespace orbisel::core {
namespace {

AnalyticsError damaged(std::string detail) {
    return {AnalyticsErrorKind::Damaged, std::move(detail)};
}

using MemoryFile = ZipEntries::Memory;

voidpf ZCALLBACK memoryOpen(voidpf opaque, const void *, int) {
    return opaque;
}
uLong ZCALLBACK memoryRead(voidpf, voidpf stream, void *buffer, uLong size) {
    auto *file = static_cast<MemoryFile *>(stream);
    const ZPOS64_T left = file->bytes.size() - file->position;
    const uLong n = static_cast<uLong>(std::min<ZPOS64_T>(size, left));
    std::memcpy(buffer, file->bytes.data() + file->position, n);
    file->position += n;
    return n;
}
uLong ZCALLBACK memoryWrite(voidpf, voidpf, const void *, uLong) {
    return 0;
}
ZPOS64_T ZCALLBACK memoryTell(voidpf, voidpf stream) {
    return static_cast<MemoryFile *>(stream)->position;
}
long ZCALLBACK memorySeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto *file = static_cast<MemoryFile *>(stream);
    const ZPOS64_T size = file->bytes.size();
    ZPOS64_T base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        base = 0;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = file->position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = size;
        break;
    default:
        return -1;
    }
    if (offset > size - base)
        return -1;
    file->position = base + offset;
    return 0;
}
int ZCALLBACK memoryClose(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK memoryError(voidpf, voidpf) {
    return 0;
}

} // namespace

ZipEntries::ZipEntries(std::string_view bytes) : m_memory{bytes} {
    zlib_filefunc64_def functions{memoryOpen, memoryRead,  memoryWrite, memoryTell,
                                  memorySeek, memoryClose, memoryError, &m_memory};
    m_file = unzOpen2_64("memory", &functions);
}

ZipEntries::~ZipEntries() {
    if (m_file)
        unzClose(m_file);
}

bool ZipEntries::has(const std::string &name) {
    return unzLocateFile(m_file, name.c_str(), 1) == UNZ_OK;
}

Result<void, AnalyticsError> ZipEntries::read(const std::string &name,
                                              const std::function<bool(std::string_view)> &sink) {
    if (unzLocateFile(m_file, name.c_str(), 1) != UNZ_OK)
        return Failure{damaged("the zip archive has no " + name)};
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(m_file, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return Failure{damaged("zip entry " + name + " cannot be read")};
    // Compressed bytes cannot exceed the archive, whatever the directory says.
    const unsigned long long compressed = std::max<unsigned long long>(
        1, std::min<unsigned long long>(info.compressed_size, m_memory.bytes.size()));
    const unsigned long long ratioLimit = kMaxCompressionRatio * compressed;
    if (info.uncompressed_size > kMaxEntryBytes)
        return Failure{AnalyticsError{AnalyticsErrorKind::EntryTooLarge, "zip entry " + name}};
    if (info.uncompressed_size > ratioLimit)
        return Failure{AnalyticsError{AnalyticsErrorKind::CompressionTooHigh, name}};
    if (unzOpenCurrentFile(m_file) != UNZ_OK)
        return Failure{damaged("zip entry " + name + " cannot be opened")};
    std::unique_ptr<void, int (*)(unzFile)> current(m_file, unzCloseCurrentFile);
    std::string buffer(64 * 1024, '\0');
    unsigned long long total = 0;
    for (;;) {
        const int got = unzReadCurrentFile(m_file, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (got < 0)
            return Failure{damaged("zip entry " + name + " is corrupt")};
        if (got == 0)
            break;
        total += static_cast<unsigned long long>(got);
        if (total > kMaxEntryBytes)
            return Failure{AnalyticsError{AnalyticsErrorKind::EntryTooLarge, "zip entry " + name}};
        if (total > ratioLimit)
            return Failure{AnalyticsError{AnalyticsErrorKind::CompressionTooHigh, name}};
        if (total > info.uncompressed_size)
            return Failure{damaged("zip entry " + name + " is larger than its header says")};
        if (!sink(std::string_view(buffer.data(), static_cast<std::size_t>(got))))
            return {};
    }
    if (total != info.uncompressed_size || unzCloseCurrentFile(current.release()) != UNZ_OK)
        return Failure{damaged("zip entry " + name + " is corrupt")};
    return {};
}

} // namespace orbisel::core
