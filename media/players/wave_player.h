// The WAVE player: RIFF WAVE content played in place as one wave-out buffer on a stream
// of the file's own format, with a loop count, a stop time checked at each end of the
// buffer, a volume and a playback speed.
#pragma once

#include <stdint.h>

#include "media/mediahandler.h"

const MediaHandler* waveCtrl_getHandler(void);
