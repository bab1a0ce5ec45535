#include "engine/audio.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/ini.h"

namespace {

int instanceCount = 0;
// Read by the finished hooks on SDL_mixer's audio thread.
std::atomic<CAudio*> currentAudio{nullptr};
bool audioSubsystemUp = false;
bool mixerOpen = false;
// Samples per frame of the open device; set before the limiter is installed.
int outputChannels = 2;

void MusicFinishedHook() {
    CAudio* audio = currentAudio.load();
    if (!audio) {
        return;
    }
    if (auto callback = audio->musicFinishedCallback.load()) {
        callback();
    }
}

void ChannelFinishedHook(int channel) {
    CAudio* audio = currentAudio.load();
    if (!audio) {
        return;
    }
    if (auto callback = audio->channelFinishedCallback.load()) {
        callback(channel);
    }
}

// Each channel reaches the mix at 1/kHeadroom of its level; the limiter gives it back.
void HeadroomEffect(int, void* stream, int len, void*) {
    auto* samples = static_cast<int16_t*>(stream);
    for (int k = 0; k < len / 2; ++k) {
        samples[k] = static_cast<int16_t>(samples[k] / CMasterLimiter::kHeadroom);
    }
}

void LimitMix(void* limiter, Uint8* stream, int len) {
    const int frameBytes = 2 * outputChannels;
    static_cast<CMasterLimiter*>(limiter)->Process(reinterpret_cast<int16_t*>(stream), len / frameBytes,
                                                   outputChannels);
}

}  // namespace

MusicEntry::~MusicEntry() {
    if (handle) {
        Mix_FreeMusic(handle);
    }
}

SoundEntry::~SoundEntry() {
    if (chunk) {
        Mix_FreeChunk(chunk);
    }
}

CAudio::CAudio() {
    if (instanceCount > 0) {
        LogLine(LOG_FATAL, "More than one active class instance. Shutting down for safety reasons.");
        std::exit(1);
    }
    ++instanceCount;
    currentAudio = this;
}

CAudio::~CAudio() {
    --instanceCount;
    currentAudio = nullptr;
    // Reset removes the hooks under SDL's audio lock, so a hook still running on the audio
    // thread has finished with this object before it goes.
    if (instanceCount == 0 && mixerOpen) {
        Reset();
    }
    LogLine(LOG_STATUS, "Instance removed.");
}

bool CAudio::Init() {
    if (!audioSubsystemUp) {
        if (SDL_Init(SDL_INIT_AUDIO) != 0) {
            LogLine(LOG_FATAL, std::string("Failed to initialize SDL Audio, SDL reports: ") + SDL_GetError());
            return false;
        }
        audioSubsystemUp = true;
        LogLine(LOG_STATUS, "SDL Audio initialized successfully.");
    }
    if (!mixerOpen && !OpenMixer()) {
        return false;
    }
    Mix_QuerySpec(&frequency, &format, &channels);
    return true;
}

bool CAudio::OpenMixer() {
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
        LogLine(LOG_FATAL, std::string("Failed to initialize SDL Mixer, SDL reports: ") + SDL_GetError());
        return false;
    }
    mixerOpen = true;
    Mix_AllocateChannels(kMixChannels);
    Mix_HookMusicFinished(MusicFinishedHook);
    Mix_ChannelFinished(ChannelFinishedHook);
    int rate = 0;
    Uint16 mixFormat = 0;
    Mix_QuerySpec(&rate, &mixFormat, &outputChannels);
    withHeadroom = mixFormat == AUDIO_S16SYS && outputChannels > 0;
    if (withHeadroom) {
        limiter = std::make_unique<CMasterLimiter>(rate);
        Mix_SetPostMix(LimitMix, limiter.get());
    }
    savedVolume = MIX_MAX_VOLUME;
    if (!muted) {
        Mix_Volume(-1, MIX_MAX_VOLUME);
    }
    LogLine(LOG_STATUS, "SDL Mixer initialized successfully.");
    return true;
}

void CAudio::Reset() {
    LogLine(LOG_STATUS, "Resetting audio...");
    if (!mixerOpen) {
        return;
    }
    Mix_HookMusicFinished(nullptr);
    Mix_ChannelFinished(nullptr);
    Mix_SetPostMix(nullptr, nullptr);
    withHeadroom = false;
    UnloadAllSounds();
    UnloadAllMusic();
    Mix_CloseAudio();
    LogLine(LOG_STATUS, "Audio device reset.");
    frequency = 0;
    format = 0;
    channels = 0;
    mixerOpen = false;
}

int CAudio::LoadMusic(const std::string& name) {
    const int found = FindMusic(name);
    if (found >= 0) {
        return found;
    }
    const std::string path = MakeAbsolutePath(name);
    if (!FileExists(path)) {
        LogLine(LOG_ERROR, "Failed to load " + name + ": File not found.");
        return -1;
    }
    Mix_Music* handle = Mix_LoadMUS(path.c_str());
    if (!handle) {
        // A file that exists but does not decode must not count as loaded music.
        LogLine(LOG_ERROR, "Failed to load " + name + ", SDL reports: " + SDL_GetError());
        return -1;
    }
    music.push_back(std::make_unique<MusicEntry>(name, handle));
    LogLine(LOG_STATUS, "Music file " + name + " loaded successfully.");
    return static_cast<int>(music.size()) - 1;
}

int CAudio::LoadSound(const std::string& name) {
    const int found = FindSound(name);
    if (found >= 0) {
        return found;
    }
    const std::string path = MakeAbsolutePath(name);
    if (!FileExists(path)) {
        LogLine(LOG_ERROR, "Failed to load " + name + ". File not found.");
        return -1;
    }
    // SDL_mixer closes the stream (the 1), also when it cannot decode it.
    Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
    if (!chunk) {
        LogLine(LOG_ERROR, "Failed to load " + name + ", SDL reports: " + SDL_GetError());
        return -1;
    }
    sounds.push_back(std::make_unique<SoundEntry>(name, chunk));
    LogLine(LOG_STATUS, "Sound file " + name + " loaded successfully.");
    return static_cast<int>(sounds.size()) - 1;
}

int CAudio::CopySound(int i, double startFraction) {
    if (!IsLoadedSound(i)) {
        return -1;
    }
    const double fraction = std::isfinite(startFraction) ? startFraction - std::floor(startFraction) : 0.0;
    const std::string name = sounds[i]->name + "@" + NumberToText(fraction);
    const int found = FindSound(name);
    if (found >= 0) {
        return found;
    }
    const Mix_Chunk* from = sounds[i]->chunk;
    // Cut between whole frames: a sample of every channel, in the device's format.
    const Uint32 frameBytes =
        std::max<Uint32>(1, (format & 0xFF) / 8) * static_cast<Uint32>(std::max(1, channels));
    const Uint32 start = static_cast<Uint32>(fraction * (from->alen / frameBytes)) * frameBytes;
    auto* buffer = static_cast<Uint8*>(SDL_malloc(std::max<Uint32>(from->alen, 1)));
    Mix_Chunk* chunk = buffer != nullptr ? Mix_QuickLoad_RAW(buffer, from->alen) : nullptr;
    if (chunk == nullptr) {
        SDL_free(buffer);
        LogLine(LOG_ERROR, "Failed to copy " + sounds[i]->name + ", SDL reports: " + SDL_GetError());
        return -1;
    }
    std::memcpy(buffer, from->abuf + start, from->alen - start);
    std::memcpy(buffer + (from->alen - start), from->abuf, start);
    // Mix_FreeChunk then frees the samples with the chunk.
    chunk->allocated = 1;
    chunk->volume = from->volume;
    sounds.push_back(std::make_unique<SoundEntry>(name, chunk));
    return static_cast<int>(sounds.size()) - 1;
}

int CAudio::FindMusic(const std::string& name) const {
    for (size_t i = 0; i < music.size(); ++i) {
        if (music[i] && music[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CAudio::FindSound(const std::string& name) const {
    for (size_t i = 0; i < sounds.size(); ++i) {
        if (sounds[i] && sounds[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CAudio::UnloadMusic(int i) {
    if (i < 0 || i >= static_cast<int>(music.size())) {
        LogLine(LOG_WARNING, "Music index " + std::to_string(i) + " does not exist, nothing unloaded.");
        return;
    }
    if (!music[i]) {
        return;
    }
    const std::string name = music[i]->name;
    // The place stays, empty, so the indices of the other pieces never change.
    music[i].reset();
    LogLine(LOG_STATUS, "Music file " + name + " unloaded successfully.");
}

void CAudio::UnloadSound(int i) {
    if (i < 0 || i >= static_cast<int>(sounds.size())) {
        LogLine(LOG_WARNING, "Sound index " + std::to_string(i) + " does not exist, nothing unloaded.");
        return;
    }
    if (!sounds[i]) {
        return;
    }
    const std::string name = sounds[i]->name;
    // The place stays, empty, so the indices of the other sounds never change.
    sounds[i].reset();
    LogLine(LOG_STATUS, "Sound file " + name + " unloaded successfully.");
}

void CAudio::UnloadAllMusic() {
    Mix_HaltMusic();
    for (size_t i = 0; i < music.size(); ++i) {
        UnloadMusic(static_cast<int>(i));
    }
    music.clear();
    LogLine(LOG_STATUS, "All music files unloaded.");
}

void CAudio::UnloadAllSounds() {
    Mix_HaltChannel(-1);
    for (size_t i = 0; i < sounds.size(); ++i) {
        UnloadSound(static_cast<int>(i));
    }
    sounds.clear();
    LogLine(LOG_STATUS, "All sound files unloaded.");
}

bool CAudio::IsLoadedSound(int i) const {
    return i >= 0 && i < static_cast<int>(sounds.size()) && sounds[i];
}

int CAudio::StartChannel(int i, int loops, int volume) {
    // Under the audio lock, so that no buffer is mixed before the channel has its volume (a
    // channel keeps the one of its last sound) and its headroom.
    SDL_LockAudio();
    const int channel = Mix_PlayChannelTimed(-1, sounds[i]->chunk, loops, -1);
    if (channel >= 0) {
        Mix_Volume(channel, volume);
        // A sound that ran here before may have left it panned.
        Mix_SetPanning(channel, 255, 255);
    }
    if (channel >= 0 && withHeadroom) {
        // A channel loses its effects when its sound ends; this one must not get a second.
        Mix_UnregisterEffect(channel, HeadroomEffect);
        Mix_RegisterEffect(channel, HeadroomEffect, nullptr, nullptr);
    }
    SDL_UnlockAudio();
    return channel;
}

int CAudio::PlaySound(int i) {
    if (!IsLoadedSound(i)) {
        LogLine(LOG_WARNING, "Sound index " + std::to_string(i) + " is not loaded, nothing played.");
        return -1;
    }
    const int channel = StartChannel(i, 0, muted ? 0 : savedVolume);
    if (channel < 0) {
        LogLine(LOG_WARNING, "Could not play " + sounds[i]->name + ", SDL reports: " + SDL_GetError());
        return -1;
    }
    return channel;
}

int CAudio::PlayLoop(int i) {
    if (!IsLoadedSound(i)) {
        return -1;
    }
    return StartChannel(i, -1, 0);
}

void CAudio::SetChannelLevel(int channel, double level) {
    if (channel < 0 || !mixerOpen) {
        return;
    }
    const double clamped = std::clamp(level, 0.0, 1.0);
    Mix_Volume(channel, muted ? 0 : static_cast<int>(clamped * savedVolume + 0.5));
}

void CAudio::SetChannelPan(int channel, double left, double right) {
    if (channel < 0 || !mixerOpen) {
        return;
    }
    auto byte = [](double v) { return static_cast<Uint8>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    Mix_SetPanning(channel, byte(left), byte(right));
}

void CAudio::StopChannel(int channel) {
    if (channel >= 0 && mixerOpen) {
        Mix_HaltChannel(channel);
        // Full loudness on both sides removes the panning, so the next sound there is centred.
        Mix_SetPanning(channel, 255, 255);
    }
}

void CAudio::PlayMusic(const std::string& name) {
    const int i = LoadMusic(name);
    if (i < 0) {
        return;
    }
    if (Mix_PlayMusic(music[i]->handle, -1) != 0) {
        LogLine(LOG_ERROR, "Could not play " + name + ", SDL reports: " + SDL_GetError());
        return;
    }
    Mix_VolumeMusic(MusicVolume());
}

int CAudio::MusicVolume() const {
    if (muted) {
        return 0;
    }
    return withHeadroom ? savedVolume / CMasterLimiter::kHeadroom : savedVolume;
}

double CAudio::TakeMixPeak() {
    return limiter ? limiter->TakePeak() : 0.0;
}

void CAudio::PauseAll() {
    Mix_Pause(-1);
    Mix_PauseMusic();
}

void CAudio::ResumeAll() {
    Mix_Resume(-1);
    Mix_ResumeMusic();
}

void CAudio::HaltMusic() {
    Mix_HaltMusic();
}

bool CAudio::ToggleMute() {
    muted = !muted;
    // SDL_mixer has no channels while it is closed (and crashes on a volume change after
    // closing); the flag alone then decides what PlaySound and PlayMusic do.
    if (!mixerOpen) {
        return muted;
    }
    if (muted) {
        savedVolume = static_cast<Uint8>(Mix_Volume(-1, 0));
    } else {
        Mix_Volume(-1, savedVolume);
    }
    return muted;
}
