// The MIDI player: a Standard MIDI File converted at load into one buffer of MIDI stream
// messages, played on a wave-out stream of its own in the MIDI stream format at the
// tempo in effect at the first note.
#pragma once

#include "media/mediahandler.h"

const MediaHandler* midiCtrl_getHandler(void);
