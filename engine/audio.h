#pragma once

#include <SDL/SDL_mixer.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/log.h"
#include "engine/master_limiter.h"

// One loaded music piece; frees its handle when it goes.
struct MusicEntry {
    MusicEntry(std::string name, Mix_Music* handle) : name(std::move(name)), handle(handle) {}
    ~MusicEntry();
    MusicEntry(const MusicEntry&) = delete;
    MusicEntry& operator=(const MusicEntry&) = delete;

    std::string name;
    Mix_Music* handle;
};

// One loaded sound effect; frees its chunk when it goes.
struct SoundEntry {
    SoundEntry(std::string name, Mix_Chunk* chunk) : name(std::move(name)), chunk(chunk) {}
    ~SoundEntry();
    SoundEntry(const SoundEntry&) = delete;
    SoundEntry& operator=(const SoundEntry&) = delete;

    std::string name;
    Mix_Chunk* chunk;
};

// The sound output on SDL_mixer: sound effects and music pieces, each addressed by an index
// that stays valid until that entry is unloaded. Only one instance may live in the process,
// because SDL_mixer's finished hooks reach it through a global. Everything is mixed with
// headroom and brought back up by a master limiter, so that no number of sounds at once clips.
class CAudio : public CLogSource {
public:
    CAudio();
    ~CAudio() override;
    CAudio(const CAudio&) = delete;
    CAudio& operator=(const CAudio&) = delete;

    // Opens SDL audio and the mixer if not yet done; false if either fails.
    bool Init();
    // Closes the mixer and unloads everything; SDL's audio subsystem stays up.
    void Reset();

    // Index of the entry, loading the file if needed; -1 if it cannot be loaded.
    int LoadMusic(const std::string& name);
    int LoadSound(const std::string& name);
    // A copy of sound i that starts startFraction (0 to 1) of the way into it and wraps round to
    // its beginning, so that copies of one loop playing together are not in step (in step, their
    // levels add up instead of their powers). Asked for again, the same copy. -1 if i is not loaded.
    int CopySound(int i, double startFraction);
    // The samples of sound i in the device's format; null if it is not loaded.
    const Mix_Chunk* GetSoundChunk(int i) const { return IsLoadedSound(i) ? sounds[i]->chunk : nullptr; }
    // Index of a loaded entry with exactly this name; -1 if none.
    int FindMusic(const std::string& name) const;
    int FindSound(const std::string& name) const;
    void UnloadMusic(int i);
    void UnloadSound(int i);
    void UnloadAllMusic();
    void UnloadAllSounds();

    // Plays sound i once; the channel, or -1 if nothing plays.
    int PlaySound(int i);
    // Plays the music piece, loading it if needed, looping without end.
    void PlayMusic(const std::string& name);
    void PauseAll();
    void ResumeAll();
    void HaltMusic();
    // Mutes or unmutes the sound effects; returns whether they are muted now.
    bool ToggleMute();
    // Loops that follow the game (engines, skids) run on their own channels, silent until their
    // level is set, and are stopped by their owner. The channel, or -1 if nothing plays.
    int PlayLoop(int i);
    // Level 0 to 1 of the channel's share of the effects volume; muted channels stay at 0.
    void SetChannelLevel(int channel, double level);
    // Left and right loudness 0 to 1, for split screens.
    void SetChannelPan(int channel, double left, double right);
    void StopChannel(int channel);

    // The loudest the output came since the last call, 1 for full scale (CMasterLimiter::TakePeak).
    double TakeMixPeak();

    // Eight cars with their engines, skids and surfaces (six loops each), plus the one-shot effects.
    static constexpr int kMixChannels = 64;

    // Output format as the opened device reports it; 0 while the mixer is closed.
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;

private:
    bool OpenMixer();
    bool IsLoadedSound(int i) const;
    // Starts sound i on the first free channel at this volume (0 to 128); the channel, or -1.
    int StartChannel(int i, int loops, int volume);
    int MusicVolume() const;

    std::vector<std::unique_ptr<MusicEntry>> music;
    std::vector<std::unique_ptr<SoundEntry>> sounds;
    bool muted = false;
    // Channel volume (0 to 128) to restore when unmuting.
    Uint8 savedVolume = 0;
    // The device mixes 16-bit samples, the only kind the limiter handles; otherwise sounds are
    // mixed at their full level, as SDL_mixer does.
    bool withHeadroom = false;
    // Made when the mixer opens; kept while it may still be running.
    std::unique_ptr<CMasterLimiter> limiter;

public:
    // Set by applications; SDL_mixer calls them on its audio thread, hence atomic.
    std::atomic<void (*)()> musicFinishedCallback{nullptr};
    std::atomic<void (*)(int channel)> channelFinishedCallback{nullptr};
};
