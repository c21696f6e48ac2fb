#include "platform/files.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTime>
#include <cerrno>
#include <cstdio>

int WriteFileBytes(const char* path, const std::string& bytes, bool append) {
    if (!path || !*path)
        return -1;
    std::FILE* f = std::fopen(path, append ? "ab" : "wb");
    if (!f)
        return -2;
    const std::size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
    // A full disk shows up at the flush as often as at the write.
    const bool ok = n == bytes.size() && std::fflush(f) == 0;
    return (std::fclose(f) == 0 && ok) ? 0 : -3;
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
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return -2;
    std::string out;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
        if (out.size() > maxBytes) {
            std::fclose(f);
            return -4;  // far larger than any file of ours: not one of them
        }
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        return -3;
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

std::string DateStr() {
    return QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")).toStdString();
}
std::string TimeStr() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString();
}
