// The FUSE glue of `mount`: the low-level operations over an ArchiveTree. Stored entries are
// spliced from the archive file straight to the kernel; compressed ones are inflated through a
// CursorPool, told of every opening and release so that it keeps a cursor per open file.
// Requests are served one at a time (the archive's file handle and the pool are not shared
// across threads).
// A read the archive cannot fill is an I/O error, never a short reply: that would tell the
// kernel the file ends there.
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
#include "archive/archive_tree.h"
#include "archive/cursor_pool.h"
#include "archive/entry_cursor.h"
#include "archive/pod_reader.h"
#include "mount/damage_log.h"
#include "platform/bilingual_error.h"
#include "platform/visible_text.h"

namespace kelvane::mount {
namespace {

// The archive does not change while mounted: the kernel may keep names and attributes.
constexpr double kCacheSeconds = 86400;

struct Mounted {
    TPOD& pod;
    const ArchiveTree& tree;
    CursorPool cursors;
    DamageLog& damage;
    uid_t uid;
    gid_t gid;
    struct timespec archiveTime;  // for folders and entries without a timestamp
    bool splice = false;          // the kernel takes read replies spliced from a file
};

Mounted& mountedOf(fuse_req_t request) {
    return *static_cast<Mounted*>(fuse_req_userdata(request));
}

// Inode numbers are node ids + 1: the root is FUSE_ROOT_ID.
int nodeOf(const Mounted& mounted, fuse_ino_t inode) {
    if (inode < FUSE_ROOT_ID || inode - FUSE_ROOT_ID >= mounted.tree.size()) return -1;
    return int(inode - FUSE_ROOT_ID);
}

struct stat attributesOf(const Mounted& mounted, int id) {
    const TreeNode& node = mounted.tree.node(id);
    struct stat attributes {};
    attributes.st_ino = fuse_ino_t(id) + FUSE_ROOT_ID;
    attributes.st_uid = mounted.uid;
    attributes.st_gid = mounted.gid;
    attributes.st_blksize = 128 * 1024;
    attributes.st_mtim = mounted.archiveTime;
    if (node.isFolder()) {
        attributes.st_mode = S_IFDIR | 0555;
        nlink_t folders = 0;
        for (int child : node.children) folders += mounted.tree.node(child).isFolder();
        attributes.st_nlink = 2 + folders;
    } else {
        const CatalogueEntry& entry = mounted.pod.catalogue()[std::size_t(node.entry)];
        attributes.st_mode = S_IFREG | 0444;
        attributes.st_nlink = 1;
        attributes.st_size = off_t(entry.size);
        attributes.st_blocks = (attributes.st_size + 511) / 512;
        if (entry.hasTimestamp) attributes.st_mtim = {std::int32_t(entry.timestamp), 0};
    }
    attributes.st_atim = attributes.st_ctim = attributes.st_mtim;
    return attributes;
}

fuse_entry_param entryOf(const Mounted& mounted, int id) {
    fuse_entry_param entry{};
    entry.ino = fuse_ino_t(id) + FUSE_ROOT_ID;
    entry.attr = attributesOf(mounted, id);
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

const CatalogueEntry* fileEntry(const Mounted& mounted, fuse_ino_t inode) {
    const int id = nodeOf(mounted, inode);
    if (id < 0 || mounted.tree.node(id).isFolder()) return nullptr;
    return &mounted.pod.catalogue()[std::size_t(mounted.tree.node(id).entry)];
}

void lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    const Mounted& mounted = mountedOf(request);
    const int folder = nodeOf(mounted, parent);
    if (folder < 0) return void(fuse_reply_err(request, ENOENT));
    const auto found = mounted.tree.child(folder, name);
    if (!found) return void(fuse_reply_err(request, ENOENT));
    const fuse_entry_param entry = entryOf(mounted, *found);
    fuse_reply_entry(request, &entry);
}

void getattr(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    const Mounted& mounted = mountedOf(request);
    const int id = nodeOf(mounted, inode);
    if (id < 0) return void(fuse_reply_err(request, ENOENT));
    const struct stat attributes = attributesOf(mounted, id);
    fuse_reply_attr(request, &attributes, kCacheSeconds);
}

void opendir(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    const Mounted& mounted = mountedOf(request);
    const int id = nodeOf(mounted, inode);
    if (id < 0) return void(fuse_reply_err(request, ENOENT));
    if (!mounted.tree.node(id).isFolder()) return void(fuse_reply_err(request, ENOTDIR));
    info->cache_readdir = 1;
    info->keep_cache = 1;
    fuse_reply_open(request, info);
}

// Offsets: 1 after ".", 2 after "..", 3 + i after child i.
void listFolder(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset, bool plus) {
    const Mounted& mounted = mountedOf(request);
    const int id = nodeOf(mounted, inode);
    if (id < 0) return void(fuse_reply_err(request, ENOENT));
    const TreeNode& folder = mounted.tree.node(id);
    std::vector<char> buffer(size);
    std::size_t used = 0;
    for (off_t at = offset; at < off_t(folder.children.size()) + 2; ++at) {
        const int child = at == 0   ? id
                          : at == 1 ? folder.parent
                                    : folder.children[std::size_t(at - 2)];
        const char* name = at == 0 ? "." : at == 1 ? ".." : mounted.tree.node(child).name.c_str();
        std::size_t added;
        if (plus) {
            const fuse_entry_param entry = entryOf(mounted, child);
            added = fuse_add_direntry_plus(request, buffer.data() + used, size - used, name, &entry,
                                           at + 1);
        } else {
            const struct stat attributes = attributesOf(mounted, child);
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
    const int id = nodeOf(mounted, inode);
    if (id < 0) return void(fuse_reply_err(request, ENOENT));
    const TreeNode& node = mounted.tree.node(id);
    if (node.isFolder()) return void(fuse_reply_err(request, EISDIR));
    if ((info->flags & O_ACCMODE) != O_RDONLY || (info->flags & O_TRUNC)) {
        return void(fuse_reply_err(request, EROFS));
    }
    info->keep_cache = 1;
    const CatalogueEntry& entry = mounted.pod.catalogue()[std::size_t(node.entry)];
    if (entry.compressed) mounted.cursors.opened(entry);
    // An opening the caller no longer waits for is never released.
    if (fuse_reply_open(request, info) != 0 && entry.compressed) mounted.cursors.released(entry);
}

void release(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    Mounted& mounted = mountedOf(request);
    const CatalogueEntry* entry = fileEntry(mounted, inode);
    if (entry != nullptr && entry->compressed) mounted.cursors.released(*entry);
    fuse_reply_err(request, 0);
}

// An entry stored whole but cut short by the end of the archive.
void replyCutShort(fuse_req_t request, Mounted& mounted, const CatalogueEntry& entry) {
    const std::size_t held = storedSpan(entry, mounted.pod.file().size(), 0, entry.size).count;
    mounted.damage.report(entry, entryCutShort(entry, std::int64_t(held)).english());
    fuse_reply_err(request, EIO);
}

void read(fuse_req_t request, fuse_ino_t inode, std::size_t size, off_t offset, fuse_file_info*) {
    Mounted& mounted = mountedOf(request);
    const CatalogueEntry* entry = fileEntry(mounted, inode);
    if (entry == nullptr) return void(fuse_reply_err(request, EISDIR));
    const std::size_t wanted =
        std::size_t(std::clamp<std::int64_t>(std::int64_t(entry->size) - offset, 0, size));
    if (!entry->compressed && mounted.splice) {
        const StoredSpan span = storedSpan(*entry, mounted.pod.file().size(), offset, wanted);
        if (span.count < wanted) return replyCutShort(request, mounted, *entry);
        fuse_bufvec data = FUSE_BUFVEC_INIT(span.count);
        data.buf[0].flags = fuse_buf_flags(FUSE_BUF_IS_FD | FUSE_BUF_FD_SEEK);
        data.buf[0].fd = mounted.pod.file().descriptor();
        data.buf[0].pos = span.position;
        fuse_reply_data(request, &data, FUSE_BUF_SPLICE_MOVE);
        return;
    }
    static std::vector<char> buffer;
    if (wanted > buffer.size()) buffer.resize(wanted);
    try {
        const std::size_t got = mounted.cursors.read(*entry, offset, buffer.data(), wanted);
        if (got < wanted) return replyCutShort(request, mounted, *entry);
        fuse_reply_buf(request, buffer.data(), got);
    } catch (const BilingualError& error) {  // a damaged entry, a failing disk
        mounted.damage.report(*entry, error.english());
        fuse_reply_err(request, EIO);
    } catch (const std::exception& error) {
        mounted.damage.report(*entry, error.what());
        fuse_reply_err(request, EIO);
    }
}

void statfs(fuse_req_t request, fuse_ino_t) {
    const Mounted& mounted = mountedOf(request);
    struct statvfs info {};
    info.f_bsize = info.f_frsize = 512;
    info.f_blocks = fsblkcnt_t((mounted.pod.file().size() + 511) / 512);
    info.f_files = mounted.tree.size();
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

int serveArchive(TPOD& pod, const ArchiveTree& tree, const std::string& archivePath,
                 const std::string& folder, bool foreground, std::ostream& err) {
    struct stat device {};
    if (::stat("/dev/fuse", &device) != 0) {
        err << "kelvane-cli: cannot mount " << archivePath
            << ": FUSE is not available on this machine (no /dev/fuse)\n";
        return 1;
    }
    struct stat archive {};
    DamageLog damage(archivePath, pod.catalogue().size(), foreground ? &err : nullptr);
    Mounted mounted{pod, tree, CursorPool(pod.file()), damage, ::getuid(), ::getgid(), {}};
    if (::stat(archivePath.c_str(), &archive) == 0) mounted.archiveTime = archive.st_mtim;

    const std::string options = "ro,default_permissions,subtype=kelvane,fsname=" +
                                optionValue(std::filesystem::absolute(archivePath).string());
    std::vector<std::string> words = {"kelvane-cli", "-o", options};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    fuse_args args = FUSE_ARGS_INIT(int(argv.size()), argv.data());
    const fuse_lowlevel_ops ops = operations();
    std::unique_ptr<fuse_session, SessionDeleter> session(
        fuse_session_new(&args, &ops, sizeof ops, &mounted));
    fuse_opt_free_args(&args);
    if (!session) {
        err << "kelvane-cli: cannot mount " << archivePath << ": FUSE refused the options\n";
        return 1;
    }
    if (fuse_session_mount(session.get(), folder.c_str()) != 0) {
        err << "kelvane-cli: cannot mount " << archivePath << " on " << folder
            << ": the mount failed (is FUSE usable here?)\n";
        return 1;
    }
    if (foreground) return serve(session.get());

    err.flush();
    const pid_t child = ::fork();
    if (child < 0) {
        err << "kelvane-cli: cannot serve the mount of " << archivePath << ": "
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
