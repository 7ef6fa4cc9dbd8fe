// The FUSE glue of `mount`: the low-level operations over a MountedFolder. Stored entries are
// spliced from their archive file straight to the kernel; compressed ones are inflated through
// the mount's one CursorPool, told of every opening and release so that it keeps a cursor per
// open file. Requests are served one at a time (the archives' file handles and pools, and the
// reading of an archive on its first visit, are not shared across threads). A read the archive
// cannot fill is an I/O error, never a short reply: that would tell the kernel the file ends
// there.
#define FUSE_USE_VERSION 34
#include "mount/fuse_filesystem.h"

#include <fcntl.h>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/cursor_pool.h"
#include "archive/entry_cursor.h"
#include "archive/pod_reader.h"
#include "mount/mounted_folder.h"
#include "platform/bilingual_error.h"

namespace kelvane::mount {
namespace {

// The archives do not change while mounted: the kernel may keep names and attributes.
constexpr double kCacheSeconds = 86400;

using Place = MountedFolder::Place;

struct Mounted {
    MountedFolder& shown;
    CursorPool cursors;   // of every archive's compressed entries, under one bound
    bool splice = false;  // the kernel takes read replies spliced from a file
};

Mounted& mountedOf(fuse_req_t request) {
    return *static_cast<Mounted*>(fuse_req_userdata(request));
}

fuse_entry_param entryOf(const Mounted& mounted, Place place) {
    fuse_entry_param entry{};
    entry.ino = mounted.shown.inodeOf(place);
    entry.attr = mounted.shown.attributesOf(place);
    entry.attr_timeout = kCacheSeconds;
    entry.entry_timeout = kCacheSeconds;
    return entry;
}

void init(void* data, fuse_conn_info* connection) {
    auto& mounted = *static_cast<Mounted*>(data);
    if (connection->capable & FUSE_CAP_SPLICE_WRITE) {
        connection->want |= FUSE_CAP_SPLICE_WRITE;
        mounted.splice = true;
    }
}

// The folder at `inode`, entered (its archive read, when it is an archive's root), or the
// error to reply.
int enteredFolder(Mounted& mounted, fuse_ino_t inode, Place& folder) {
    const auto found = mounted.shown.placeOf(inode);
    if (!found) return ENOENT;
    if (!mounted.shown.isFolder(*found)) return ENOTDIR;
    if (!mounted.shown.enter(*found)) return EIO;  // named once, as damaged entries are
    folder = *found;
    return 0;
}

void lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    Mounted& mounted = mountedOf(request);
    Place folder;
    if (const int error = enteredFolder(mounted, parent, folder)) {
        return void(fuse_reply_err(request, error));
    }
    const auto found = mounted.shown.child(folder, name);
    if (!found) return void(fuse_reply_err(request, ENOENT));
    const fuse_entry_param entry = entryOf(mounted, *found);
    fuse_reply_entry(request, &entry);
}

void getattr(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    const Mounted& mounted = mountedOf(request);
    const auto place = mounted.shown.placeOf(inode);
    if (!place) return void(fuse_reply_err(request, ENOENT));
    const struct stat attributes = mounted.shown.attributesOf(*place);
    fuse_reply_attr(request, &attributes, kCacheSeconds);
}

void opendir(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    Mounted& mounted = mountedOf(request);
    Place folder;
    if (const int error = enteredFolder(mounted, inode, folder)) {
        return void(fuse_reply_err(request, error));
    }
    info->cache_readdir = 1;
    info->keep_cache = 1;
    fuse_reply_open(request, info);
}

// Offsets: 1 after ".", 2 after "..", 3 + i after child i.
void listFolder(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset, bool plus) {
    Mounted& mounted = mountedOf(request);
    Place folder;
    if (const int error = enteredFolder(mounted, inode, folder)) {
        return void(fuse_reply_err(request, error));
    }
    const MountedFolder& tree = mounted.shown;
    const std::size_t children = tree.childCount(folder);
    std::vector<char> buffer(size);
    std::size_t used = 0;
    for (off_t at = offset; at < off_t(children) + 2; ++at) {
        Place place = folder;
        const char* name = ".";
        if (at == 1) {
            place = tree.parentOf(folder);
            name = "..";
        } else if (at > 1) {
            const MountedFolder::Child child = tree.childAt(folder, std::size_t(at - 2));
            place = child.place;
            name = child.name.c_str();
        }
        std::size_t added;
        if (plus) {
            const fuse_entry_param entry = entryOf(mounted, place);
            added = fuse_add_direntry_plus(request, buffer.data() + used, size - used, name, &entry,
                                           at + 1);
        } else {
            const struct stat attributes = tree.attributesOf(place);
            added = fuse_add_direntry(request, buffer.data() + used, size - used, name, &attributes,
                                      at + 1);
        }
        if (added > size - used) break;
        used += added;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

void readdir(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset,
             fuse_file_info*) {
    listFolder(request, inode, size, offset, false);
}

void readdirplus(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset,
                 fuse_file_info*) {
    listFolder(request, inode, size, offset, true);
}

void open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    Mounted& mounted = mountedOf(request);
    const auto place = mounted.shown.placeOf(inode);
    if (!place) return void(fuse_reply_err(request, ENOENT));
    if (mounted.shown.isFolder(*place)) return void(fuse_reply_err(request, EISDIR));
    if ((info->flags & O_ACCMODE) != O_RDONLY || (info->flags & O_TRUNC)) {
        return void(fuse_reply_err(request, EROFS));
    }
    info->keep_cache = 1;
    const CatalogueEntry& entry = mounted.shown.entryOf(*place);
    const ReadOnlyFile& file = mounted.shown.archiveOf(*place).pod().file();
    if (entry.compressed) mounted.cursors.opened(file, entry);
    // An opening the caller no longer waits for is never released.
    if (fuse_reply_open(request, info) != 0 && entry.compressed)
        mounted.cursors.released(file, entry);
}

void release(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    Mounted& mounted = mountedOf(request);
    const auto place = mounted.shown.placeOf(inode);
    if (place && !mounted.shown.isFolder(*place)) {
        const CatalogueEntry& entry = mounted.shown.entryOf(*place);
        if (entry.compressed)
            mounted.cursors.released(mounted.shown.archiveOf(*place).pod().file(), entry);
    }
    fuse_reply_err(request, 0);
}

// An entry stored whole but cut short by the end of the archive.
void replyCutShort(fuse_req_t request, MountedArchive& archive, const CatalogueEntry& entry) {
    const std::size_t held = storedSpan(entry, archive.pod().file().size(), 0, entry.size).count;
    archive.damage().report(entry, entryCutShort(entry, std::int64_t(held)).english());
    fuse_reply_err(request, EIO);
}

void read(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset, fuse_file_info*) {
    Mounted& mounted = mountedOf(request);
    const auto place = mounted.shown.placeOf(inode);
    if (!place || mounted.shown.isFolder(*place)) return void(fuse_reply_err(request, EISDIR));
    MountedArchive& archive = mounted.shown.archiveOf(*place);
    const CatalogueEntry* entry = &mounted.shown.entryOf(*place);
    const std::size_t wanted =
        std::size_t(std::clamp<std::int64_t>(std::int64_t(entry->size) - offset, 0, size));
    if (!entry->compressed && mounted.splice) {
        const StoredSpan span = storedSpan(*entry, archive.pod().file().size(), offset, wanted);
        if (span.count < wanted) return replyCutShort(request, archive, *entry);
        fuse_bufvec data = FUSE_BUFVEC_INIT(span.count);
        data.buf[0].flags = fuse_buf_flags(FUSE_BUF_IS_FD | FUSE_BUF_FD_SEEK);
        data.buf[0].fd = archive.pod().file().descriptor();
        data.buf[0].pos = span.position;
        fuse_reply_data(request, &data, FUSE_BUF_SPLICE_MOVE);
        return;
    }
    static std::vector<char> buffer;
    if (wanted > buffer.size()) buffer.resize(wanted);
    try {
        const std::size_t got =
            mounted.cursors.read(archive.pod().file(), *entry, offset, buffer.data(), wanted);
        if (got < wanted) return replyCutShort(request, archive, *entry);
        fuse_reply_buf(request, buffer.data(), got);
    } catch (const BilingualError& error) {  // a damaged entry, a failing disk
        archive.damage().report(*entry, error.english());
        fuse_reply_err(request, EIO);
    } catch (const std::exception& error) {
        archive.damage().report(*entry, error.what());
        fuse_reply_err(request, EIO);
    }
}

void statfs(fuse_req_t request, fuse_ino_t) {
    const Mounted& mounted = mountedOf(request);
    struct statvfs info {};
    info.f_bsize = info.f_frsize = 512;
    info.f_blocks = fsblkcnt_t((mounted.shown.bytes() + 511) / 512);
    info.f_files = mounted.shown.nodes();
    info.f_namemax = 255;
    info.f_flag = ST_RDONLY;
    fuse_reply_statfs(request, &info);
}

void access(fuse_req_t request, fuse_ino_t, int mask) {
    fuse_reply_err(request, (mask & W_OK) ? EROFS : 0);
}

// Every change is refused, should a request get past the read-only mount.
void refuse(fuse_req_t request) {
    fuse_reply_err(request, EROFS);
}

fuse_lowlevel_ops operations() {
    fuse_lowlevel_ops ops{};
    ops.init = init;
    ops.lookup = lookup;
    ops.getattr = getattr;
    ops.opendir = opendir;
    ops.readdir = readdir;
    ops.readdirplus = readdirplus;
    ops.open = open;
    ops.release = release;
    ops.read = read;
    ops.statfs = statfs;
    ops.access = access;
    ops.setattr = [](fuse_req_t r, fuse_ino_t, struct stat*, int, fuse_file_info*) { refuse(r); };
    ops.mknod = [](fuse_req_t r, fuse_ino_t, const char*, mode_t, dev_t) { refuse(r); };
    ops.mkdir = [](fuse_req_t r, fuse_ino_t, const char*, mode_t) { refuse(r); };
    ops.unlink = [](fuse_req_t r, fuse_ino_t, const char*) { refuse(r); };
    ops.rmdir = [](fuse_req_t r, fuse_ino_t, const char*) { refuse(r); };
    ops.symlink = [](fuse_req_t r, const char*, fuse_ino_t, const char*) { refuse(r); };
    ops.rename = [](fuse_req_t r, fuse_ino_t, const char*, fuse_ino_t, const char*, unsigned) {
        refuse(r);
    };
    ops.link = [](fuse_req_t r, fuse_ino_t, fuse_ino_t, const char*) { refuse(r); };
    ops.write = [](fuse_req_t r, fuse_ino_t, const char*, std::size_t, off_t, fuse_file_info*) {
        refuse(r);
    };
    ops.create = [](fuse_req_t r, fuse_ino_t, const char*, mode_t, fuse_file_info*) { refuse(r); };
    ops.setxattr = [](fuse_req_t r, fuse_ino_t, const char*, const char*, std::size_t, int) {
        refuse(r);
    };
    ops.removexattr = [](fuse_req_t r, fuse_ino_t, const char*) { refuse(r); };
    return ops;
}

// A value inside a -o option list: commas and backslashes escaped.
std::string optionValue(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == ',' || c == '\\') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

struct SessionDeleter {
    void operator()(fuse_session* session) const { fuse_session_destroy(session); }
};

// The child that serves a background mount: detached from the terminal and from the
// caller's pipes, so that the caller sees its output end when it returns.
void detach() {
    ::setsid();
    if (::chdir("/") != 0) {
    }
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        for (int fd : {0, 1, 2}) ::dup2(null, fd);
        if (null > 2) ::close(null);
    }
}

int serve(fuse_session* session) {
    fuse_set_signal_handlers(session);
    // 0: unmounted from outside; a signal number: interrupted (Ctrl+C, SIGTERM, SIGHUP), the
    // way a foreground mount is meant to end, and unmounted here.
    const int status = fuse_session_loop(session);
    fuse_remove_signal_handlers(session);
    fuse_session_unmount(session);
    return status >= 0 ? 0 : 1;
}

}  // namespace

int serveFolder(MountedFolder& shown, const std::string& sourcePath, const std::string& mountPoint,
                bool foreground, std::ostream& err) {
    struct stat device {};
    if (::stat("/dev/fuse", &device) != 0) {
        err << "kelvane-cli: cannot mount " << sourcePath
            << ": FUSE is not available on this machine (no /dev/fuse)\n";
        return 1;
    }
    Mounted mounted{shown, CursorPool()};

    const std::string options = "ro,default_permissions,subtype=kelvane,fsname=" +
                                optionValue(std::filesystem::absolute(sourcePath).string());
    std::vector<std::string> words = {"kelvane-cli", "-o", options};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    fuse_args args = FUSE_ARGS_INIT(int(argv.size()), argv.data());
    const fuse_lowlevel_ops ops = operations();
    std::unique_ptr<fuse_session, SessionDeleter> session(
        fuse_session_new(&args, &ops, sizeof ops, &mounted));
    fuse_opt_free_args(&args);
    if (!session) {
        err << "kelvane-cli: cannot mount " << sourcePath << ": FUSE refused the options\n";
        return 1;
    }
    if (fuse_session_mount(session.get(), mountPoint.c_str()) != 0) {
        err << "kelvane-cli: cannot mount " << sourcePath << " on " << mountPoint
            << ": the mount failed (is FUSE usable here?)\n";
        return 1;
    }
    if (foreground) return serve(session.get());

    err.flush();
    const pid_t child = ::fork();
    if (child < 0) {
        err << "kelvane-cli: cannot serve the mount of " << sourcePath << ": "
            << std::strerror(errno) << "\n";
        fuse_session_unmount(session.get());
        return 1;
    }
    if (child == 0) {
        detach();
        const int status = serve(session.get());
        session.reset();
        ::_exit(status);
    }
    // The child serves; destroying this process's session only closes its copy of the
    // connection, the mount stays.
    return 0;
}

}  // namespace kelvane::mount
