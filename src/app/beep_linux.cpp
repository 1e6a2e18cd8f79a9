// The desktop's bell sound, played through its sound server (PulseAudio, or
// PipeWire's server of the same protocol) by a thread of its own: the game's
// thread only counts a beep in and goes on, however slow, stopped or gone the
// server is. Where no sound can play (no server, no sound theme, libcanberra
// failing) the X bell rings instead, never both for one beep. The X bells ring
// from a second thread, through an X connection of its own: GLUT's belongs to
// the game's thread, and a stopped server can hold the sound thread for good
// while beeps wait behind it.
#include "game/effects.h"

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <canberra.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

using Clock = std::chrono::steady_clock;

static constexpr auto retryAfter = std::chrono::seconds(10);  // between tries for a missing server
static constexpr auto bellGap = std::chrono::milliseconds(200);  // between two bells' starts
static constexpr auto hungAfter = std::chrono::seconds(2);       // one call unanswered this long
static constexpr auto exitLimit = std::chrono::milliseconds(100);

// Shared by the three threads, under soundLock.
static std::mutex soundLock;
static std::condition_variable soundWake;  // the sound thread's, and the exit's
static std::condition_variable bellWake;   // the bell thread's

static bool soundReady = false;  // a server answered and holds the bell
static int waiting = 0;          // beeps for the sound thread, not yet taken
static int owed = 0;             // beeps for the bell thread: X bells
static bool serverBusy = false;  // in a call to the server since busySince
static Clock::time_point busySince;
static bool retryWanted = true;  // to open the server: at start-up, then asked by beep()
static std::string displayName;  // GLUT's display (the -display option's, or DISPLAY)
static bool quitting = false;
static bool soundFinished = false;
static bool bellsFinished = false;

// The game's thread only.
static Clock::time_point nextRetry;
static std::thread soundThread;
static std::thread bellThread;

// The bell thread only.
static Display* bellDisplay = nullptr;

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

// A server that leaves one call unanswered this long hangs (a stopped one).
// Called with soundLock held.
static bool serverHung() {
    return serverBusy && Clock::now() - busySince > hungAfter;
}

// The sound thread: opens the server at start-up, so that the bell is loaded
// before the first beep, and again when asked; plays the beeps one by one.
static void playBeeps() {
    ca_context* context = nullptr;
    Clock::time_point lastBell;
    std::unique_lock<std::mutex> hold(soundLock);
    for (;;) {
        soundWake.wait(hold, [] { return waiting > 0 || retryWanted || quitting; });
        if (quitting) {
            break;
        }
        const bool opening = waiting == 0;
        if (opening) {
            retryWanted = false;
        } else {
            // Two beeps close together are two bells, not one bell twice as loud.
            if (soundWake.wait_until(hold, lastBell + bellGap, [] { return quitting; })) {
                break;
            }
            --waiting;
            lastBell = Clock::now();
        }
        serverBusy = true;
        busySince = Clock::now();
        bellWake.notify_all();  // the bell thread times the call
        hold.unlock();
        bool played = false;
        if (opening && context == nullptr) {
            context = openBell();
        } else if (!opening && context != nullptr) {
            played = ca_context_play(context, 0, CA_PROP_EVENT_ID, "bell", nullptr) == CA_SUCCESS;
            if (!played) {
                // The server went away: X bells until a retry finds it again.
                ca_context_destroy(context);
                context = nullptr;
            }
        }
        hold.lock();
        serverBusy = false;
        soundReady = context != nullptr;
        if (!opening && !played) {
            ++owed;
            bellWake.notify_all();
        }
    }
    hold.unlock();
    if (context != nullptr) {
        ca_context_destroy(context);
    }
    hold.lock();
    soundFinished = true;
    soundWake.notify_all();
}

// The bell thread: rings the X bells owed, and those of the beeps still
// waiting behind a call the server has left unanswered (a stopped server).
static void ringBells() {
    std::unique_lock<std::mutex> hold(soundLock);
    while (!quitting) {
        if (serverHung()) {
            owed += waiting;
            waiting = 0;
        }
        if (owed == 0) {
            if (serverBusy && !serverHung()) {
                bellWake.wait_until(hold, busySince + hungAfter);
            } else {
                bellWake.wait(hold);
            }
            continue;
        }
        const int bells = owed;
        owed = 0;
        const std::string name = bellDisplay == nullptr ? displayName : std::string();
        hold.unlock();
        if (bellDisplay == nullptr) {
            bellDisplay = XOpenDisplay(name.c_str());
        }
        if (bellDisplay != nullptr) {
            for (int i = 0; i < bells; ++i) {
                XBell(bellDisplay, 0);
            }
            XFlush(bellDisplay);
        }
        hold.lock();
    }
    bellsFinished = true;
    soundWake.notify_all();
}

void beep() {
    bool toSound = false;
    bool retry = false;
    {
        const std::lock_guard<std::mutex> hold(soundLock);
        if (displayName.empty() && glXGetCurrentDisplay() != nullptr) {
            displayName = DisplayString(glXGetCurrentDisplay());
        }
        // Behind a hung server a beep would wait for good: the X bell at once.
        toSound = soundReady && !serverHung();
        if (toSound) {
            ++waiting;
        } else {
            ++owed;
        }
        // A player may start their sound server after the game.
        const auto now = Clock::now();
        retry = !soundReady && now >= nextRetry;
        if (retry) {
            retryWanted = true;
            nextRetry = now + retryAfter;
        }
    }
    if (toSound || retry) {
        soundWake.notify_all();
    }
    if (!toSound) {
        bellWake.notify_all();
    }
}

static void endThread(std::thread& thread, bool ended) {
    if (ended) {
        thread.join();
    } else {
        thread.detach();
    }
}

// Called at exit. A thread left waiting on soundWake would hang its
// destruction, so the threads are ended; one held by a hung server, which
// never waits on it, is left behind rather than waited for.
static void stopSound() {
    std::unique_lock<std::mutex> hold(soundLock);
    quitting = true;
    soundWake.notify_all();
    bellWake.notify_all();
    soundWake.wait_for(hold, exitLimit,
                       [] { return bellsFinished && (soundFinished || serverHung()); });
    const bool soundEnded = soundFinished;
    const bool bellsEnded = bellsFinished;
    hold.unlock();
    endThread(soundThread, soundEnded);
    endThread(bellThread, bellsEnded);
}

static bool startSound() {
    soundThread = std::thread(playBeeps);
    bellThread = std::thread(ringBells);
    return std::atexit(stopSound) == 0;
}

[[maybe_unused]] static const bool soundStarted = startSound();
