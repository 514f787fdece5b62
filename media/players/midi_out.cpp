// MIDI output and play thread. The port is opened and closed only by the play thread;
// midiCommSend may run on any thread. The timed list has its own lock, which the timer
// tick, the scheduling and the shut-down take. An event belongs to the list while
// queued, to the play thread once posted, and is released by whoever consumes it last.
//
// Due times are on the 32-bit millisecond clock, compared by their signed difference so
// that the clock's wrap changes nothing.
#include "media/players/midi_out.h"

#include <errno.h>
#include <pthread.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "media/players/mediatrace.h"
#include "media/players/threadqueue.h"
#include "platform/mmtimer.h"
#include "platform/vmsections.h"
#include "storage/qmmm.h"

namespace {

enum { MIDI_TIMER_PERIOD = 5, MIDI_EXIT_WAIT_MS = 500, MIDI_TICKS_PER_QUARTER = 96 };

struct MidiPlaybackState {
    pthread_t thread;
    uint32_t threadId;
    MidiTimedEvent* head;
    uint32_t timerId;
    pthread_mutex_t lock;
    MediaThreadQueue queue;
};

VMHOOKS MidiCommPort Port;
VMHOOKS MidiPlaybackState* Playback;
VMHOOKS uint32_t NextThreadId = 1;

bool dueBy(uint32_t due, uint32_t now) { return (int32_t)(due - now) <= 0; }

void releaseEvent(void* event) { qmmm_free(event); }

void midiCommProc(WaveOutHandle handle, uint32_t message, uint32_t instance, WaveHeader* header) {
    if (message != MM_WOM_DONE || header == nullptr) return;
    waveOutUnprepareHeader(handle, header, sizeof(WaveHeader));
    qmmm_free(header->lpData.get());
    qmmm_free(header);
}

void scheduleMidiEvent(MidiPlaybackState* s, MidiTimedEvent* e) {
    mediaTrace("scheduleMidiEvent\n");
    e->time += timeGetTime();
    pthread_mutex_lock(&s->lock);
    MidiTimedEvent** at = &s->head;
    while (*at && !((int32_t)((*at)->time - e->time) > 0)) at = &(*at)->next;
    e->next = *at;
    __atomic_store_n(at, e, __ATOMIC_RELEASE);
    pthread_mutex_unlock(&s->lock);
}

void sendAndRelease(MidiTimedEvent* e) {
    midiCommSend(e->status, e->data1, e->data2);
    qmmm_free(e);
}

void* playThread(void* argument) {
    MidiPlaybackState* s = (MidiPlaybackState*)argument;
    mediaTrace("playThread - started\n");
    midiCommOpen();
    uint32_t kind;
    void* parameter;
    while (mediaQueueGet(&s->queue, &kind, &parameter) > 0) {
        MidiTimedEvent* e = (MidiTimedEvent*)parameter;
        if (kind == MIDI_EXIT_REQUEST) {
            mediaTrace("playThread - exit request received\n");
            break;
        }
        if (kind == MIDI_EVENT_POST) {
            if (e->time != 0) {
                mediaTrace("playThread - MIDI_EVENT_POST scheduling for later\n");
                scheduleMidiEvent(s, e);
            } else {
                mediaTrace("playThread - MIDI_EVENT_POST sending now\n");
                sendAndRelease(e);
            }
        } else if (kind == TIMEOUT_EVENT) {
            mediaTrace("playThread - TIMEOUT_EVENT\n");
            sendAndRelease(e);
        } else if (e) {
            qmmm_free(e);
        }
    }
    midiCommClose();
    mediaTrace("playThread - finished\n");
    return nullptr;
}

void midiTimerProc(uint32_t timerId, uintptr_t user) {
    MidiPlaybackState* s = Playback;
    if (s == nullptr || __atomic_load_n(&s->head, __ATOMIC_ACQUIRE) == nullptr) return;
    uint32_t now = timeGetTime();
    pthread_mutex_lock(&s->lock);
    MidiTimedEvent* e = s->head;
    while (e && dueBy(e->time, now)) {
        MidiTimedEvent* next = e->next;
        e->next = nullptr;
        if (!mediaQueuePost(&s->queue, TIMEOUT_EVENT, e)) qmmm_free(e);
        e = next;
    }
    __atomic_store_n(&s->head, e, __ATOMIC_RELEASE);
    pthread_mutex_unlock(&s->lock);
}

}  // namespace

uint32_t midiPlaybackInit(void) {
    mediaTrace("midiPlaybackInit");
    if (Playback) return Playback->timerId;
    MidiPlaybackState* s = (MidiPlaybackState*)calloc(1, sizeof(MidiPlaybackState));
    if (s == nullptr) return 0;
    TimerCaps tc = {};
    timeGetDevCaps(&tc, sizeof tc);
    mediaTrace("  tc.wPeriodMin=%d\n", (int)tc.wPeriodMin);
    mediaTrace("  tc.wPeriodMax=%d\n", (int)tc.wPeriodMax);
    pthread_mutex_init(&s->lock, nullptr);
    mediaQueueInit(&s->queue);
    Playback = s;
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    // a small stack: the thread only moves messages along
    pthread_attr_setstacksize(&attr, 64 * 1024);
    int created = pthread_create(&s->thread, &attr, playThread, s);
    pthread_attr_destroy(&attr);
    if (created != 0) {
        mediaQueueDestroy(&s->queue, releaseEvent);
        pthread_mutex_destroy(&s->lock);
        Playback = nullptr;
        free(s);
        return 0;
    }
    s->threadId = NextThreadId++;
    mediaTrace("CreateThread(playThreadFunct) threadID = 0x%08X\n", s->threadId);
    timeBeginPeriod(MIDI_TIMER_PERIOD);
    s->timerId = timeSetEvent(MIDI_TIMER_PERIOD, MIDI_TIMER_PERIOD, midiTimerProc, 0, TIME_PERIODIC);
    return s->timerId;
}

void midiPlaybackDestroy(void) {
    mediaTrace("midiPlaybackDestroy\n");
    MidiPlaybackState* s = Playback;
    if (s == nullptr) return;
    if (s->timerId) timeKillEvent(s->timerId);
    timeEndPeriod(MIDI_TIMER_PERIOD);
    pthread_mutex_lock(&s->lock);
    for (MidiTimedEvent* e = s->head; e;) {
        MidiTimedEvent* next = e->next;
        qmmm_free(e);
        e = next;
    }
    s->head = nullptr;
    pthread_mutex_unlock(&s->lock);
    mediaQueuePost(&s->queue, MIDI_EXIT_REQUEST, nullptr);
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_nsec += MIDI_EXIT_WAIT_MS * 1000000L;
    deadline.tv_sec += deadline.tv_nsec / 1000000000L;
    deadline.tv_nsec %= 1000000000L;
    if (pthread_timedjoin_np(s->thread, nullptr, &deadline) == ETIMEDOUT) {
        // a thread cannot be ended from outside without leaving its port and lock behind;
        // it only moves messages, so it still ends
        mediaTrace("midiPlaybackDestroy - playThread exit timeout, terminating !!\n");
        mediaQueueClose(&s->queue);
        pthread_join(s->thread, nullptr);
    }
    Playback = nullptr;
    mediaQueueDestroy(&s->queue, releaseEvent);
    pthread_mutex_destroy(&s->lock);
    free(s);
}

void postMidiEvent(uint32_t delay, uint8_t status, uint8_t data1, uint8_t data2) {
    MidiPlaybackState* s = Playback;
    if (s == nullptr) return;
    MidiTimedEvent* e = (MidiTimedEvent*)qmmm_alloc(sizeof(MidiTimedEvent));
    if (e == nullptr) return;
    memset(e, 0, sizeof *e);
    e->time = delay;
    e->status = status;
    e->data1 = data1;
    e->data2 = data2;
    if (!mediaQueuePost(&s->queue, MIDI_EVENT_POST, e)) qmmm_free(e);
}

uint32_t midiCommSend(uint8_t status, uint8_t data1, uint8_t data2) {
    uint32_t* message = (uint32_t*)qmmm_alloc(8);
    WaveHeader* header = (WaveHeader*)qmmm_alloc(sizeof(WaveHeader));
    if (message == nullptr || header == nullptr) {
        qmmm_free(message);
        qmmm_free(header);
        return MMSYSERR_NOMEM;
    }
    message[0] = 0;
    message[1] = (uint32_t)status | (uint32_t)data1 << 8 | (uint32_t)data2 << 16;
    memset(header, 0, sizeof *header);
    header->lpData = (char*)message;
    header->dwBufferLength = 8;
    header->dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header->dwLoops = 1;
    WaveOutHandle port = __atomic_load_n(&Port.handle, __ATOMIC_ACQUIRE);
    uint32_t r = waveOutPrepareHeader(port, header, sizeof(WaveHeader));
    if (r == MMSYSERR_NOERROR) r = waveOutWrite(port, header, sizeof(WaveHeader));
    if (r != MMSYSERR_NOERROR) {
        // no done callback will come for it
        waveOutUnprepareHeader(port, header, sizeof(WaveHeader));
        qmmm_free(message);
        qmmm_free(header);
    }
    return r;
}

int32_t midiCommOpen(void) {
    mediaTrace("midiCommOpen\n");
    if (++Port.openCount >= 2) {
        mediaTrace("midiCommOpen: Port Already opened: hPort=0x%08X\n", Port.handle);
        return 1;
    }
    WaveMidiFormat f = {};
    f.wfx.wFormatTag = WAVE_FORMAT_MIDI;
    f.wfx.nChannels = 1;
    f.wfx.nSamplesPerSec = 32;
    f.wfx.nAvgBytesPerSec = 32;
    f.wfx.nBlockAlign = 8;
    f.wfx.wBitsPerSample = 16;
    f.wfx.cbSize = WAVE_MIDI_EXTRA_SIZE;
    f.usPerQuarterNote = 9600000;
    f.ticksPerQuarterNote = MIDI_TICKS_PER_QUARTER;
    uint32_t device = 0xFFFF;
    if (waveOutGetNumDevs() > 0) {
        device = WAVE_MAPPER;
        WaveOutCaps caps;
        waveOutGetDevCaps(device, &caps, sizeof caps);
    }
    WaveOutHandle handle = 0;
    uint32_t r = waveOutOpen(&handle, device, &f.wfx, midiCommProc, 0, CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
        mediaTrace("midi_open - failed, error code = %x\n", r);
        __atomic_store_n(&Port.handle, 0, __ATOMIC_RELEASE);
        return 0;
    }
    __atomic_store_n(&Port.handle, handle, __ATOMIC_RELEASE);
    return 1;
}

void midiCommClose(void) {
    mediaTrace("midiCommClose\n");
    if (--Port.openCount < 1 && Port.handle) {
        WaveOutHandle handle = Port.handle;
        __atomic_store_n(&Port.handle, 0, __ATOMIC_RELEASE);
        waveOutReset(handle);
        waveOutClose(handle);
    }
}

MidiCommPort midiCommPortState(void) { return Port; }

int32_t midiPlaybackQueuedCount(void) {
    MidiPlaybackState* s = Playback;
    if (s == nullptr) return 0;
    pthread_mutex_lock(&s->lock);
    int32_t n = 0;
    for (MidiTimedEvent* e = s->head; e; e = e->next) n++;
    pthread_mutex_unlock(&s->lock);
    return n;
}
