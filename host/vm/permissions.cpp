// The MIDP 2.0 permission store of the running suite.
//
// The states of one run are kept beside the copy last stored in the suite's security
// file: a store that fails puts that copy back, so the run never goes on with states the
// file does not hold. All of it runs on the VM thread.
#include "host/vm/permissions.h"

#include <string.h>

#include <string>
#include <vector>

#include "host/common/hosttrace.h"
#include "host/vm/vmshell.h"
#include "natives/lib/permission_natives.h"
#include "storage/qmms_permission.h"
#include "storage/qmms_suitefiles.h"

namespace {

enum { TEXT_RESOURCE_BASE = 2000, MAX_TEXT = 255, MAX_PLACEHOLDER = 10 };

// The conflict record that a state change fills and the exclusive choice resolves.
enum {
    CONFLICT_GROUP,
    CONFLICT_MODE,
    CONFLICT_OTHER_GROUP,
    CONFLICT_OTHER_MODE,
    CONFLICT_VERDICT,
    CONFLICT_CHOICE_STATE,
    CONFLICT_ALERT_TITLE,
    CONFLICT_ALERT_MESSAGE,
    CONFLICT_FIRST_CHOICE,
    CONFLICT_SECOND_CHOICE,
    CONFLICT_WORDS
};

struct Store {
    int32_t count;
    uint32_t states[QMMS_MAX_PERMISSIONS];
    uint32_t stored[QMMS_MAX_PERMISSIONS];  // as the security file holds them
    int32_t conflict[CONFLICT_WORDS];
};
Store S;

bool inRange(int32_t index) { return index >= 0 && index < S.count; }

int32_t groupOf(int32_t index) {
    int32_t entry[7] = {0};
    return qmms_getPermissionEntry(index, entry, 2) == 0 ? entry[1] : -1;
}

int32_t firstOfGroup(int32_t group) {
    for (int32_t i = 0; i < S.count; i++) {
        if (groupOf(i) == group) return i;
    }
    return -1;
}

// Every member of the group: state = (state AND NOT clear) OR set. The first member's
// new state, or -1 for a group without members.
int32_t updateGroup(int32_t group, uint32_t clear, uint32_t set) {
    int32_t first = -1;
    for (int32_t i = 0; i < S.count; i++) {
        if (groupOf(i) != group) continue;
        S.states[i] = (S.states[i] & ~clear) | set;
        if (first < 0) first = (int32_t)S.states[i];
    }
    return first;
}

int32_t copyOut(const std::u16string& text, uint16_t* buffer) {
    size_t n = text.size() < (size_t)MAX_TEXT ? text.size() : (size_t)MAX_TEXT;
    if (buffer != nullptr) {
        memcpy(buffer, text.data(), n * sizeof(uint16_t));
        buffer[n] = 0;
    }
    return (int32_t)n;
}

std::u16string toUtf16(const std::wstring& wide) {
    std::u16string out;
    for (wchar_t c : wide) {
        if ((uint32_t)c > 0xFFFF) {
            uint32_t v = (uint32_t)c - 0x10000;
            out += (char16_t)(0xD800 + (v >> 10));
            out += (char16_t)(0xDC00 + (v & 0x3FF));
        } else {
            out += (char16_t)c;
        }
    }
    return out;
}

// The resource module's text of that id, else the domain's own.
std::u16string textById(int32_t id) {
    if (id < 0) return std::u16string();
    std::wstring resource = ShellString(TEXT_RESOURCE_BASE + (uint32_t)id);
    if (!resource.empty()) return toUtf16(resource);
    const char* text = nullptr;
    int length = 0;
    if (qmms_getPermissionText(id, &text, &length) != 0 || length <= 0) return std::u16string();
    return toUtf16(Utf8ToWide(text, (size_t)length));
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// "%k" with k = 1..n replaced by argument piece k. A placeholder is the '%' and all the
// digits after it, so "%1" is never found inside "%10"; one without its piece stays.
std::u16string fillPlaceholders(const std::u16string& text, const std::u16string& args) {
    std::vector<std::u16string> pieces(1);
    for (char16_t c : args) {
        if (c == 0) {
            pieces.emplace_back();
        } else {
            pieces.back() += c;
        }
    }
    std::u16string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != u'%' || i + 1 >= text.size() || !isDigit(text[i + 1])) {
            out += text[i];
            continue;
        }
        size_t end = i + 1;
        uint32_t k = 0;
        while (end < text.size() && isDigit(text[end])) {
            if (k < 1000) k = k * 10 + (uint32_t)(text[end] - u'0');
            end++;
        }
        if (k >= 1 && k <= MAX_PLACEHOLDER && k < pieces.size()) {
            out += pieces[k];
        } else {
            out.append(text, i, end - i);
        }
        i = end - 1;
    }
    return out;
}

// No conflict: its texts are empty.
void clear() {
    memset(&S, 0, sizeof S);
    for (int32_t& w : S.conflict) w = -1;
}

}  // namespace

int32_t MkMidp20PermissionLoadStates(void) {
    clear();
    int32_t count = qmms_getPermissionCount();
    if (count <= 0) return count == 0 ? 0 : -1;
    if (count > QMMS_MAX_PERMISSIONS || qmms_loadSuitePermissions(S.states) != 0) return -1;
    S.count = count;
    memcpy(S.stored, S.states, sizeof S.states);
    return 0;
}

void MkMidp20PermissionFreeStates(void) { clear(); }

int32_t MkMidp20PermissionGetNumPermissions(void) { return S.count; }

int32_t MkMidp20PermissionGetState(int32_t index) {
    if (!inRange(index)) return -1;
    TraceLogA("m_ps32PermBuf[%d]=0x%08X\n", (int)index, (unsigned)S.states[index]);
    return (int32_t)S.states[index];
}

int32_t MkMidp20PermissionGetInteractionModes(int32_t index) {
    int32_t entry[7] = {0};
    if (!inRange(index) || qmms_getPermissionEntry(index, entry, 255) != 0) return -1;
    return entry[3];
}

int32_t MkMidp20PermissionSetState(int32_t index, int32_t value) {
    int32_t group = inRange(index) ? groupOf(index) : -1;
    int32_t groups = qmms_getGroupCount();
    if (group < 0 || group >= groups) return -1;
    int32_t* c = S.conflict;
    c[CONFLICT_GROUP] = group;
    c[CONFLICT_MODE] = value & QMMS_MODE_MASK;
    int32_t result = 0;
    for (int32_t g = 0; g < groups; g++) {
        int32_t first = firstOfGroup(g);
        if (first < 0 || g == group) continue;
        c[CONFLICT_OTHER_GROUP] = g;
        c[CONFLICT_OTHER_MODE] = (int32_t)(S.states[first] & QMMS_MODE_MASK);
        if (qmms_findRestrictionRecord(c) == 0) {
            if (c[CONFLICT_VERDICT] == QMMS_VERDICT_REFUSE) return 2;
            result = 1;
            break;
        }
    }
    int32_t request[4] = {group, value & 0x20F, -1, -1};
    // A mode the domain does not let the group take is refused: stored as given, it
    // would grant what the domain never offers.
    if (qmms_findModeRecord(request) != 0) return 2;
    int32_t changed = request[2];
    uint32_t clear = (value & 0x30) != 0 ? 0xFu : 0x3Fu;
    updateGroup(changed, clear, (uint32_t)request[3] | QMMS_STATE_USER_SET);
    if (changed != group) updateGroup(group, 0x33F, (uint32_t)value);
    return result;
}

int32_t MkMidp20PermissionSetExclusiveChoice(int32_t choice) {
    const int32_t* c = S.conflict;
    int32_t state;
    if (choice == 1) {
        state = updateGroup(c[CONFLICT_GROUP], 0x3F, (uint32_t)c[CONFLICT_MODE] | QMMS_STATE_USER_SET);
        updateGroup(c[CONFLICT_OTHER_GROUP], 0xF, (uint32_t)c[CONFLICT_CHOICE_STATE]);
    } else if (choice == 0) {
        state = updateGroup(c[CONFLICT_GROUP], 0xF, (uint32_t)c[CONFLICT_CHOICE_STATE]);
    } else {
        return -1;
    }
    int32_t first = firstOfGroup(c[CONFLICT_GROUP]);
    if (first < 0 || state < 0) return -1;
    return MkMidp20PermissionSetState(first, state);
}

int32_t MkMidp20PermissionEndModifyStates(void) {
    if (S.count == 0) return 0;
    if (qmms_commitPermissionStates(S.states) != 0) {
        memcpy(S.states, S.stored, sizeof S.states);
        return -1;
    }
    memcpy(S.stored, S.states, sizeof S.states);
    return 0;
}

int32_t MkMidp20PermissionGetPermissionName(int32_t index, uint16_t* buffer) {
    int32_t entry[7] = {0};
    if (qmms_getPermissionEntry(index, entry, 1) != 0) return -1;
    return copyOut(textById(entry[0]), buffer);
}

int32_t MkMidp20PermissionGetTitle(int32_t index, uint16_t* buffer) {
    int32_t entry[7] = {0};
    if (!inRange(index) || qmms_getPermissionEntry(index, entry, 16) != 0) return -1;
    return copyOut(textById(entry[4]), buffer);
}

int32_t MkMidp20PermissionGetMessage(int32_t index, const uint16_t* args, int32_t argLength, uint16_t* buffer) {
    int32_t entry[7] = {0};
    if (!inRange(index) || qmms_getPermissionEntry(index, entry, 16) != 0) return -1;
    std::u16string arguments;
    if (args != nullptr && argLength > 0) arguments.assign((const char16_t*)args, (size_t)argLength);
    return copyOut(fillPlaceholders(textById(entry[5]), arguments), buffer);
}

int32_t MkMidp20PermissionGetAlertTitle(uint16_t* buffer) {
    return copyOut(textById(S.conflict[CONFLICT_ALERT_TITLE]), buffer);
}

int32_t MkMidp20PermissionGetAlertMessage(uint16_t* buffer) {
    return copyOut(textById(S.conflict[CONFLICT_ALERT_MESSAGE]), buffer);
}

int32_t MkMidp20PermissionGetExclusiveChoices(uint16_t* first, int32_t* firstLength, uint16_t* second,
                                              int32_t* secondLength) {
    int32_t a = copyOut(textById(S.conflict[CONFLICT_FIRST_CHOICE]), first);
    int32_t b = copyOut(textById(S.conflict[CONFLICT_SECOND_CHOICE]), second);
    if (firstLength != nullptr) *firstLength = a;
    if (secondLength != nullptr) *secondLength = b;
    return 1;
}

void installPermissionPorting(void) {
    PermissionPorting = {MkMidp20PermissionGetNumPermissions,
                         MkMidp20PermissionGetPermissionName,
                         MkMidp20PermissionGetState,
                         MkMidp20PermissionSetState,
                         MkMidp20PermissionGetInteractionModes,
                         MkMidp20PermissionGetMessage,
                         MkMidp20PermissionGetTitle,
                         MkMidp20PermissionGetAlertMessage,
                         MkMidp20PermissionGetAlertTitle,
                         MkMidp20PermissionGetExclusiveChoices,
                         MkMidp20PermissionSetExclusiveChoice,
                         MkMidp20PermissionEndModifyStates};
}
