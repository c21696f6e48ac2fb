#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTime>
#include <cerrno>
#include <cstdio>

namespace {

int WriteOpened(const char* path, const std::string& bytes, int flags, bool truncate) {
    if (!path || !*path)
        return -1;
    // As with reading: a FIFO or a device where a file was chosen must not
    // hold the window in open() or write(); only a regular file is written.
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC | flags, 0666);
    if (fd < 0)
        return -2;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (truncate && ::ftruncate(fd, 0) != 0)) {
        ::close(fd);
        return -5;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // a full disk, among others
        done += static_cast<std::size_t>(n);
    }
    return (::close(fd) == 0 && done == bytes.size()) ? 0 : -3;
}

}  // namespace

int WriteFileBytes(const char* path, const std::string& bytes, bool append) {
    return WriteOpened(path, bytes, O_CREAT | (append ? O_APPEND : 0), !append);
}

int AppendFileBytes(const char* path, const std::string& bytes) {
    return WriteOpened(path, bytes, O_APPEND, false);
}

int ReplaceFileBytes(const char* path, const std::string& bytes) {
    if (!path || !*path)
        return -1;
    const std::string temp = std::string(path) + ".new";
    const int r = WriteFileBytes(temp.c_str(), bytes, false);
    if (r != 0) {
        std::remove(temp.c_str());
        return r;
    }
    if (std::rename(temp.c_str(), path) != 0) {
        std::remove(temp.c_str());
        return -4;
    }
    return 0;
}

int ReadFileBytes(const char* path, std::string& bytes, std::size_t maxBytes) {
    if (!path || !*path)
        return -1;
    // A FIFO where a file was expected holds a plain open until someone
    // writes to it, freezing the window, and a device may never end: open
    // without blocking and take nothing but a regular file.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -2;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -5;
    }
    std::string out;
    char buf[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buf, sizeof buf)) != 0) {
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return -3;
        }
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > maxBytes) {
            ::close(fd);
            return -4;  // far larger than any file of ours: not one of them
        }
    }
    ::close(fd);
    bytes.swap(out);
    return 0;
}

bool FileExists(const char* path) {
    return path && *path && QFileInfo::exists(QFile::decodeName(path));
}

int DeleteFile(const char* path) {
    if (!path || !*path)
        return -1;
    if (std::remove(path) == 0 || errno == ENOENT)
        return 0;
    return -2;
}

void MakePathname(const char* directory, const char* name, std::string& out) {
    std::string dir = directory ? directory : "";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    out = dir.empty() ? std::string(name ? name : "") : dir + (dir == "/" ? "" : "/") + (name ? name : "");
}

std::string GetProjectDir() {
    if (!QCoreApplication::instance())
        return QDir::currentPath().toStdString();
    return QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
}

std::string DefaultFileDir(const std::string& programDir) {
    // The system decides, not the mode bits: a read-only mount, an ACL or the
    // user's groups all say no where the bits alone would say yes.
    struct stat st {};
    if (!programDir.empty() && ::stat(programDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
        ::access(programDir.c_str(), W_OK | X_OK) == 0)
        return programDir;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir().mkpath(documents))
        return QFile::encodeName(documents).toStdString();
    return QFile::encodeName(QDir::homePath()).toStdString();
}

std::string DateStr() {
    return QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")).toStdString();
}
std::string TimeStr() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}
