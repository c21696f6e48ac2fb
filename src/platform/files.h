// Files, paths and date/time texts. Paths are byte strings as the system
// takes them; contents are bytes, so the program decides line ends and
// character set itself.
#pragma once

#include <string>

// Whole-file transfers. Return 0 on success, a negative code on failure.
int WriteFileBytes(const char* path, const std::string& bytes, bool append);
// Appends to a file that is there. Each call hands its bytes to the system
// before it returns, and a file removed meanwhile is an error rather than a
// new file without its beginning.
int AppendFileBytes(const char* path, const std::string& bytes);
// Writes a whole new file in place of `path`, atomically: until the new
// contents are safely on disk the old file stays as it was.
int ReplaceFileBytes(const char* path, const std::string& bytes);
// Reads regular files only: a FIFO or a device in their place is refused at once.
int ReadFileBytes(const char* path, std::string& bytes, std::size_t maxBytes = 1 << 20);
bool FileExists(const char* path);
// Deletes a file; a file that is not there counts as deleted (returns 0).
int DeleteFile(const char* path);
// `directory` joined with `name` into `out`.
void MakePathname(const char* directory, const char* name, std::string& out);
// Directory of the running program, without a trailing separator.
std::string GetProjectDir();
// Where the operator's files are saved and chosen by default: beside the
// program, where the operator has always found them, unless this user cannot
// create files there (an installed program); then the user's documents folder,
// made when missing, or the home folder. Never empty.
std::string DefaultFileDir(const std::string& programDir);
// Today's date "MM-DD-YYYY" and the time "HH:MM:SS".
std::string DateStr();
std::string TimeStr();
