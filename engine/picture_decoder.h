#pragma once

#include <SDL/SDL.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Decodes a known list of pictures on worker threads while the loading thread goes on with its
// own work, so that a load made of many large pictures (a track's tiles) is not one long row of
// decodes. While it lives, DecodePicture hands its pictures out; those never asked for are freed
// with it. One decoder at a time serves DecodePicture; a second one made meanwhile decodes nothing.
class CPictureDecoder {
public:
    // files as a data file names them; files that are not regular files or whose header declares
    // more than kLargestSide pixels a side are left to the caller's own load, which reports them.
    explicit CPictureDecoder(const std::vector<std::string>& files);
    ~CPictureDecoder();
    CPictureDecoder(const CPictureDecoder&) = delete;
    CPictureDecoder& operator=(const CPictureDecoder&) = delete;

    static constexpr unsigned kLargestSide = 8192;

    // The decoded picture at the absolute path, waiting for it if it is being decoded, or decoded
    // now by the caller if no worker has started it yet. False if this decoder does not have it.
    bool Take(const std::string& path, SDL_Surface*& surface, std::string& error);

private:
    enum class Stage { kWaiting, kDecoding, kDone, kTaken };
    struct Job {
        std::string path;
        Stage stage = Stage::kWaiting;
        SDL_Surface* surface = nullptr;
        std::string error;
    };

    void Work();
    std::vector<Job>::iterator NextWaiting();
    // Decodes job with the lock released meanwhile.
    void DecodeJob(std::vector<Job>::iterator job, std::unique_lock<std::mutex>& lock);
    // Decoded pictures not yet taken; workers stop this far ahead so that memory stays small.
    int DoneAhead() const;

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Job> jobs;
    bool stopping = false;
    // Set before the first worker starts; workers read it, never workers itself.
    int workerCount = 0;
    std::vector<std::thread> workers;
};

// The picture at the absolute path, decoded: from the live CPictureDecoder if it has the file,
// else decoded now. Null when it cannot be decoded, with the decoder's reason in error.
SDL_Surface* DecodePicture(const std::string& path, std::string& error);

// The size a PNG, BMP, GIF or JPEG file declares in its header, read without decoding it, so
// that a small file claiming a huge picture is refused before it takes gigabytes. False for any
// other file: the decoder then decides, and the decoded size is checked instead.
bool DeclaredSize(const std::string& path, unsigned& w, unsigned& h);
