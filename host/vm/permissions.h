// The MIDP 2.0 permission store of the running suite: its permission states, their
// changes under the rules for mutually exclusive groups, and the prompt texts. The
// protection domain must be loaded (storage/qmms_permission.h) while it is used.
#pragma once

#include <stdint.h>

// The run's states from the loaded domain (none loaded: no permissions); 0 or -1.
int32_t MkMidp20PermissionLoadStates(void);
// Forgets the states at the end of a run.
void MkMidp20PermissionFreeStates(void);

int32_t MkMidp20PermissionGetNumPermissions(void);
int32_t MkMidp20PermissionGetState(int32_t index);
int32_t MkMidp20PermissionGetInteractionModes(int32_t index);
// 0 changed, 1 changed but an exclusive choice must be offered, 2 refused, -1 error.
int32_t MkMidp20PermissionSetState(int32_t index, int32_t value);
int32_t MkMidp20PermissionSetExclusiveChoice(int32_t choice);
// 0 when the states were stored; -1 when they could not be, and the states are then
// those last stored again.
int32_t MkMidp20PermissionEndModifyStates(void);
// Texts: UTF-16 into a buffer of 256 units (at most 255 and a NUL); their length.
int32_t MkMidp20PermissionGetPermissionName(int32_t index, uint16_t* buffer);
int32_t MkMidp20PermissionGetTitle(int32_t index, uint16_t* buffer);
int32_t MkMidp20PermissionGetMessage(int32_t index, const uint16_t* args, int32_t argLength, uint16_t* buffer);
int32_t MkMidp20PermissionGetAlertTitle(uint16_t* buffer);
int32_t MkMidp20PermissionGetAlertMessage(uint16_t* buffer);
int32_t MkMidp20PermissionGetExclusiveChoices(uint16_t* first, int32_t* firstLength, uint16_t* second,
                                              int32_t* secondLength);

// Fills the natives' PermissionPorting with these functions.
void installPermissionPorting(void);
