#include "engine/picture_decoder.h"

#include <SDL/SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "engine/ini.h"

namespace {

// The decoder DecodePicture asks first, if any.
std::mutex liveMutex;
CPictureDecoder* live = nullptr;

// Regular files only: opening a FIFO would block a worker for good.
bool WorthDecodingAhead(const std::string& path) {
    struct stat info;
    unsigned w = 0;
    unsigned h = 0;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && DeclaredSize(path, w, h) &&
           w <= CPictureDecoder::kLargestSide && h <= CPictureDecoder::kLargestSide;
}

SDL_Surface* Decode(const std::string& path, std::string& error) {
    SDL_Surface* surface = IMG_Load(path.c_str());
    if (surface == nullptr) {
        error = SDL_GetError();
    }
    return surface;
}

unsigned BigEndian(const unsigned char* b, int bytes) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | b[i];
    }
    return v;
}

unsigned LittleEndian(const unsigned char* b, int bytes) {
    unsigned v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | b[i];
    }
    return v;
}

// The size a JPEG file declares in its first frame header, found by walking its segments.
bool JpegSize(std::ifstream& in, unsigned& w, unsigned& h) {
    in.seekg(2);
    unsigned char marker[4];
    while (in.read(reinterpret_cast<char*>(marker), 4) && marker[0] == 0xFF) {
        const unsigned length = BigEndian(marker + 2, 2);
        const bool frame = marker[1] >= 0xC0 && marker[1] <= 0xCF && marker[1] != 0xC4 && marker[1] != 0xC8 &&
                           marker[1] != 0xCC;
        if (frame) {
            unsigned char header[5];
            if (!in.read(reinterpret_cast<char*>(header), 5)) {
                return false;
            }
            h = BigEndian(header + 1, 2);
            w = BigEndian(header + 3, 2);
            return true;
        }
        if (length < 2) {
            return false;
        }
        in.seekg(length - 2, std::ios::cur);
    }
    return false;
}

}  // namespace

bool DeclaredSize(const std::string& path, unsigned& w, unsigned& h) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[26] = {};
    in.read(reinterpret_cast<char*>(b), sizeof(b));
    const std::streamsize got = in.gcount();
    if (got >= 24 && std::memcmp(b, "\x89PNG", 4) == 0) {
        w = BigEndian(b + 16, 4);
        h = BigEndian(b + 20, 4);
        return true;
    }
    if (got >= 26 && b[0] == 'B' && b[1] == 'M') {
        // Rows stored top-down have a negative height.
        const int32_t height = static_cast<int32_t>(LittleEndian(b + 22, 4));
        w = LittleEndian(b + 18, 4);
        h = height < 0 ? 0u - static_cast<unsigned>(height) : static_cast<unsigned>(height);
        return true;
    }
    if (got >= 10 && std::memcmp(b, "GIF", 3) == 0) {
        w = LittleEndian(b + 6, 2);
        h = LittleEndian(b + 8, 2);
        return true;
    }
    if (got >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        in.clear();
        return JpegSize(in, w, h);
    }
    return false;
}

CPictureDecoder::CPictureDecoder(const std::vector<std::string>& files) {
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        if (live != nullptr) {
            return;
        }
        live = this;
    }
    for (const std::string& file : files) {
        const std::string path = MakeAbsolutePath(file);
        if (WorthDecodingAhead(path)) {
            jobs.push_back(Job{path, Stage::kWaiting, nullptr, ""});
        }
    }
    if (jobs.empty()) {
        return;
    }
    // SDL_image sets its decoders up on first use; that must not happen on two threads at once.
    IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
    // The loading thread decodes as well, so one core is left for it.
    const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
    workerCount = static_cast<int>(std::min(cores, 4u)) - 1;
    for (int i = 0; i < workerCount; ++i) {
        workers.emplace_back(&CPictureDecoder::Work, this);
    }
}

CPictureDecoder::~CPictureDecoder() {
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        if (live == this) {
            live = nullptr;
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (Job& job : jobs) {
        SDL_FreeSurface(job.surface);
    }
}

int CPictureDecoder::DoneAhead() const {
    return static_cast<int>(
        std::count_if(jobs.begin(), jobs.end(), [](const Job& job) { return job.stage == Stage::kDone; }));
}

std::vector<CPictureDecoder::Job>::iterator CPictureDecoder::NextWaiting() {
    return std::find_if(jobs.begin(), jobs.end(), [](const Job& j) { return j.stage == Stage::kWaiting; });
}

void CPictureDecoder::DecodeJob(std::vector<Job>::iterator job, std::unique_lock<std::mutex>& lock) {
    job->stage = Stage::kDecoding;
    const std::string path = job->path;
    lock.unlock();
    std::string error;
    SDL_Surface* surface = Decode(path, error);
    lock.lock();
    // jobs never grows after the start, so the iterator still points at this job.
    job->surface = surface;
    job->error = error;
    job->stage = Stage::kDone;
    changed.notify_all();
}

void CPictureDecoder::Work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        auto job = jobs.end();
        changed.wait(lock, [&] {
            job = NextWaiting();
            return stopping || job == jobs.end() || DoneAhead() <= workerCount;
        });
        if (stopping || job == jobs.end()) {
            return;
        }
        DecodeJob(job, lock);
    }
}

bool CPictureDecoder::Take(const std::string& path, SDL_Surface*& surface, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex);
    auto job = std::find_if(jobs.begin(), jobs.end(),
                            [&](const Job& j) { return j.path == path && j.stage != Stage::kTaken; });
    if (job == jobs.end()) {
        return false;
    }
    if (job->stage == Stage::kWaiting) {
        job->stage = Stage::kTaken;
        lock.unlock();
        surface = Decode(path, error);
        return true;
    }
    // Rather than wait idle, the asking thread decodes one of the pictures still to come.
    while (job->stage != Stage::kDone) {
        const auto next = NextWaiting();
        if (next != jobs.end()) {
            DecodeJob(next, lock);
        } else {
            changed.wait(lock);
        }
    }
    surface = job->surface;
    error = job->error;
    job->surface = nullptr;
    job->stage = Stage::kTaken;
    changed.notify_all();
    return true;
}

SDL_Surface* DecodePicture(const std::string& path, std::string& error) {
    SDL_Surface* surface = nullptr;
    {
        std::lock_guard<std::mutex> lock(liveMutex);
        if (live != nullptr && live->Take(path, surface, error)) {
            return surface;
        }
    }
    return Decode(path, error);
}
