#pragma once

// Zips for the tests, written by libarchive's writer entry by entry, so that a test can also
// make what our own WriteZip never would: unsafe names, links, devices, bombs.

#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace faceloom::test {

struct ZipEntry {
    ZipEntry(std::string name, std::string bytes, mode_t type = AE_IFREG, std::string linkTarget = {},
             bool hardLink = false)
        : Name(std::move(name)),
          Bytes(std::move(bytes)),
          Type(type),
          LinkTarget(std::move(linkTarget)),
          HardLink(hardLink) {}
    std::string Name;        // stored as given ("../x", "/abs", "a\\b" too)
    std::string Bytes;       // the entry's content
    mode_t Type;             // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFCHR, ...
    std::string LinkTarget;  // for AE_IFLNK: where the link points; with HardLink: the entry it repeats
    bool HardLink;           // a hard link to LinkTarget instead of content
};

inline std::vector<uint8_t> MakeZip(const std::vector<ZipEntry>& entries, bool deflate = true) {
    std::string out;
    archive* a = archive_write_new();
    archive_write_set_format_zip(a);
    archive_write_set_bytes_per_block(a, 0);  // no padding after the end record
    // Stored entries keep the bytes of a test visible in the file; deflated ones are what
    // real archives hold.
    archive_write_set_options(a, deflate ? "zip:compression=deflate" : "zip:compression=store");
    archive_write_open(
        a, &out, nullptr,
        [](archive*, void* target, const void* data, size_t size) -> la_ssize_t {
            static_cast<std::string*>(target)->append(static_cast<const char*>(data), size);
            return static_cast<la_ssize_t>(size);
        },
        nullptr);
    for (const ZipEntry& item : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, item.Name.c_str());
        archive_entry_set_filetype(entry, item.Type);
        archive_entry_set_perm(entry, 0644);
        if (item.Type == AE_IFLNK) archive_entry_set_symlink(entry, item.LinkTarget.c_str());
        if (item.HardLink) archive_entry_set_hardlink(entry, item.LinkTarget.c_str());
        const bool content = item.Type == AE_IFREG && !item.HardLink;
        archive_entry_set_size(entry, content ? static_cast<la_int64_t>(item.Bytes.size()) : 0);
        if (archive_write_header(a, entry) < ARCHIVE_WARN) throw std::runtime_error(archive_error_string(a));
        if (content && !item.Bytes.empty()) archive_write_data(a, item.Bytes.data(), item.Bytes.size());
        archive_entry_free(entry);
    }
    archive_write_close(a);
    archive_write_free(a);
    return {out.begin(), out.end()};
}

}  // namespace faceloom::test
