// The desktop's bell sound, played through its sound server (PulseAudio, or
// PipeWire's server of the same protocol) by a thread of its own: the game's
// thread only counts a beep in and goes on, however slow, stopped or gone the
// server is. Where no sound can play (no server, no sound theme, libcanberra
// failing) the X bell rings instead, never both for one beep. The X bell goes
// through GLUT's own connection, which only the game's thread may use, so the
// sound thread hands the beeps it could not play back as a count.
#include "game/effects.h"

#include <GL/freeglut_std.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

using Clock = std::chrono::steady_clock;

static constexpr auto retryAfter = std::chrono::seconds(10);  // between tries for a missing server
static constexpr auto bellLimit = std::chrono::seconds(1);    // longest wait for a bell to end
static constexpr auto hungAfter = std::chrono::seconds(2);    // one play unanswered this long
static constexpr auto exitLimit = std::chrono::milliseconds(200);
static constexpr unsigned int collectMs = 10;  // how often beeps in flight are looked after

// Shared by the two threads, under soundLock.
static std::mutex soundLock;
static std::condition_variable soundWake;
static bool soundReady = false;  // a server answered and holds the bell
static int waiting = 0;          // beeps for the sound thread, not yet taken
static int owed = 0;             // beeps it could not play: X bells for the game's thread
static bool playBusy = false;    // in a play call since playStart
static Clock::time_point playStart;
static bool sounding = false;  // the last bell started has not ended
static bool retryWanted = false;
static bool quitting = false;
static bool finished = false;

// The game's thread only.
static Clock::time_point nextRetry;
static bool collecting = false;
static std::thread soundThread;

// The sound server's driver only: where no server runs, the X bell is the
// desktop's signal, not a sound sent straight to a card.
static ca_context* openBell() {
    ca_context* context = nullptr;
    if (ca_context_create(&context) != CA_SUCCESS) {
        return nullptr;
    }
    if (ca_context_set_driver(context, "pulse") != CA_SUCCESS ||
        ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Zelvix", CA_PROP_APPLICATION_ID,
                                "zelvix", CA_PROP_APPLICATION_ICON_NAME, "zelvix",
                                nullptr) != CA_SUCCESS ||
        ca_context_open(context) != CA_SUCCESS ||
        ca_context_cache(context, CA_PROP_EVENT_ID, "bell", nullptr) != CA_SUCCESS) {
        ca_context_destroy(context);
        return nullptr;
    }
    return context;
}

// Called by libcanberra's own thread when a bell has ended or was dropped.
static void bellEnded(ca_context* /*context*/, uint32_t /*id*/, int /*error*/, void* /*data*/) {
    const std::lock_guard<std::mutex> hold(soundLock);
    sounding = false;
    soundWake.notify_all();
}

static bool playBell(ca_context* context) {
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS) {
        return false;
    }
    const bool started =
        ca_proplist_sets(properties, CA_PROP_EVENT_ID, "bell") == CA_SUCCESS &&
        ca_context_play_full(context, 1, properties, bellEnded, nullptr) == CA_SUCCESS;
    ca_proplist_destroy(properties);
    return started;
}

// The sound thread: opens the server once at start-up, so the bell is loaded
// before the first beep, then plays the beeps one after the other.
static void playBeeps() {
    ca_context* context = openBell();
    std::unique_lock<std::mutex> hold(soundLock);
    soundReady = context != nullptr;
    for (;;) {
        soundWake.wait(hold, [] { return waiting > 0 || retryWanted || quitting; });
        if (quitting) {
            break;
        }
        if (waiting == 0) {
            retryWanted = false;
            hold.unlock();
            if (context == nullptr) {
                context = openBell();
            }
            hold.lock();
            soundReady = context != nullptr;
            continue;
        }
        --waiting;
        playBusy = true;
        playStart = Clock::now();
        sounding = true;
        hold.unlock();
        const bool started = context != nullptr && playBell(context);
        if (!started && context != nullptr) {
            ca_context_destroy(context);
            context = nullptr;
        }
        hold.lock();
        playBusy = false;
        if (!started) {
            // The server went away: this beep and the next ones are X bells
            // until a retry finds it again.
            sounding = false;
            soundReady = false;
            ++owed;
            continue;
        }
        // Two beeps close together are two bells, not one bell twice as loud.
        soundWake.wait_for(hold, bellLimit, [] { return !sounding || quitting; });
    }
    hold.unlock();
    if (context != nullptr) {
        ca_context_destroy(context);
    }
    hold.lock();
    finished = true;
    soundWake.notify_all();
}

static void ringXBells(int count) {
    Display* display = glXGetCurrentDisplay();
    if (display == nullptr || count == 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        XBell(display, 0);
    }
    XFlush(display);
}

// GLUT's timer, on the game's thread, while beeps are with the sound thread:
// rings the X bells for those it could not play. Beeps still waiting behind a
// play the server has left unanswered (a stopped server) ring as X bells too.
static void collectBells(int /*value*/) {
    int bells = 0;
    bool again = false;
    {
        const std::lock_guard<std::mutex> hold(soundLock);
        bells = owed;
        owed = 0;
        const bool hung = playBusy && Clock::now() - playStart > hungAfter;
        if (hung) {
            bells += waiting;
            waiting = 0;
        }
        again = waiting > 0 || (playBusy && !hung);
    }
    ringXBells(bells);
    collecting = again;
    if (again) {
        glutTimerFunc(collectMs, collectBells, 0);
    }
}

void beep() {
    int bells = 0;
    bool queued = false;
    {
        const std::lock_guard<std::mutex> hold(soundLock);
        bells = owed;
        owed = 0;
        if (soundReady) {
            ++waiting;
            queued = true;
        } else {
            ++bells;
            // A player may start their sound server after the game.
            const auto now = Clock::now();
            if (now >= nextRetry) {
                retryWanted = true;
                nextRetry = now + retryAfter;
            }
        }
    }
    soundWake.notify_all();
    ringXBells(bells);
    if (queued && !collecting) {
        collecting = true;
        glutTimerFunc(collectMs, collectBells, 0);
    }
}

// Called at exit. A thread left waiting on soundWake would hang its
// destruction, so the thread is ended; one held by a hung server, which never
// waits on it, is left behind rather than waited for.
static void stopSound() {
    std::unique_lock<std::mutex> hold(soundLock);
    quitting = true;
    soundWake.notify_all();
    const bool ended = soundWake.wait_for(hold, exitLimit, [] { return finished; });
    hold.unlock();
    if (ended) {
        soundThread.join();
    } else {
        soundThread.detach();
    }
}

static bool startSound() {
    soundThread = std::thread(playBeeps);
    return std::atexit(stopSound) == 0;
}

[[maybe_unused]] static const bool soundStarted = startSound();
