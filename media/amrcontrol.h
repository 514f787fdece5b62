// The AMR handler: the last-resort handler of "audio/amr". It decodes nothing: it takes
// any data, reads it as a tone sequence on the tone player's engine made silent, and
// refuses to set content, so no AMR player is ever brought to play.
#pragma once

#include "media/mediahandler.h"

const MediaHandler* amrCtrl_getHandler(void);
