#pragma once

#include <string>

// Access to the INI data files one key at a time, and the text conversions every typed value
// goes through. File names are Windows names ("mnu\main.ini"), relative to the start-up
// directory unless absolute. None of these functions logs.

// The value of `key` in `section` of `file`, cut to 1023 characters; `defaultText` without its
// trailing blanks if the file, the section or the key does not exist. An empty value is a value.
std::string GetIniString(std::string section, std::string key, std::string defaultText, std::string file);
// The value read by TextToInt; `def` itself if the key does not exist.
int GetIniInt(std::string section, std::string key, int def, std::string file);
// The value read by TextToDouble; `def` written and read back as text if the key does not exist.
double GetIniDouble(std::string section, std::string key, double def, std::string file);
// Only the text "1" is true.
bool GetIniBool(std::string section, std::string key, bool def, std::string file);

// Store key=value in `section` of `file`, creating the file and the section as needed. A failed
// write changes nothing; LastIniWriteFailed tells whether it happened. What would read back
// differently (a line end, surrounding blanks or quotes, over 1,023 characters) is refused.
void WriteIniString(std::string section, std::string key, std::string value, std::string file);
void WriteIniInt(std::string section, std::string key, int v, std::string file);
void WriteIniDouble(std::string section, std::string key, double v, std::string file);
void WriteIniBool(std::string section, std::string key, bool v, std::string file);
// Whether the last WriteIni* call of this thread stored nothing.
bool LastIniWriteFailed();

// Gathers the writes of this thread to one file in memory and stores them with one replacement
// of the file, where each WriteIni* call would replace the file once. While it exists, the
// WriteIni* calls of this thread to `file` change only the gathered copy and its GetIni* calls
// read that copy; other threads see the file on disk. The file is read when the batch begins,
// and Commit stores exactly what the same writes one by one would have made of it. Destroyed
// without Commit, the batch drops its writes. It must end on the thread that began it.
class CIniWriteBatch {
public:
    // A second batch of the same file on the same thread is none of its own: the writes go to
    // the first, and its Commit fails.
    explicit CIniWriteBatch(std::string file);
    // A batch whose copy starts from text instead of the file's: the file is made anew from it.
    CIniWriteBatch(std::string file, const std::string& text);
    ~CIniWriteBatch();
    CIniWriteBatch(const CIniWriteBatch&) = delete;
    CIniWriteBatch& operator=(const CIniWriteBatch&) = delete;

    // Stores the gathered writes in one step and ends the batch; later writes go to the file one
    // by one. False, with the file left as it was, if a write of the batch failed (as
    // LastIniWriteFailed told), the file could not be replaced, or the batch had ended.
    bool Commit();

private:
    std::string name;
    std::string path;
    bool open;
};

// Resolves a file's name once and reads the file once for the reads of this thread while it exists,
// instead of looking at the disk for every key: for loading a file of thousands of keys. Writes of
// this thread to the file end it early; the file should not change otherwise meanwhile.
class CIniReadBatch {
public:
    explicit CIniReadBatch(std::string file);
    ~CIniReadBatch();
    CIniReadBatch(const CIniReadBatch&) = delete;
    CIniReadBatch& operator=(const CIniReadBatch&) = delete;

private:
    std::string name;
    std::string path;
};

// True if the resolved file can be opened for reading.
bool FileExists(std::string path);
// The current working directory with a trailing separator.
std::string GetCurrentDir();
// The host path of a file name, resolved as the INI functions resolve it.
std::string MakeAbsolutePath(std::string path);

// `v` as C's %g writes it, with at least three exponent digits: 800, 0.5, 1.23457e+006.
std::string NumberToText(double v);
// The optionally signed decimal integer at the start of `text` (after white space); `fallback`
// if there is none or it does not fit an int.
int TextToInt(std::string text, int fallback);
// The decimal floating-point number at the start of `text` (after white space); `fallback` if
// there is none or it does not fit a double.
double TextToDouble(std::string text, double fallback);
// Every occurrence of `from` replaced by `to`, scanning on after each inserted `to`.
std::string ReplaceAll(std::string text, std::string from, std::string to);
// Negative, 0 or positive as `a` sorts before, equal to or after `b`, byte by byte.
int CompareText(std::string a, std::string b, bool ignoreCase);
