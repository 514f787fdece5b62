// The trace log and the VM's formatter. The formatter allocates nothing and calls no
// library formatting routine: numbers are built right to left in a 12-byte field.
#include "vm/trace/tracelog.h"

#include <stddef.h>

#include "platform/trace.h"
#include "platform/vmsections.h"

static int32_t traceLevel VMDATA = MV_TRACE_INFO;

namespace {

// Where emitted characters go: the caller's buffer while room remains, else nowhere;
// with no buffer, the trace sink. Every character is counted.
struct Out {
    char* buffer;
    char* next;
    uint32_t room;
    int32_t count;
};

inline void emit(Out* o, char c) {
    if (!o->buffer) {
        TraceSinkPutChar((unsigned char)c);
    } else if (o->room != 0) {
        *o->next++ = c;
        o->room--;
    }
    o->count++;
}

void emitPadded(Out* o, const char* text, int length, int width, bool left, char pad) {
    int padding = width > length ? width - length : 0;
    if (!left) {
        for (int i = 0; i < padding; i++) {
            emit(o, pad);
        }
    }
    for (int i = 0; i < length; i++) {
        emit(o, text[i]);
    }
    if (left) {
        for (int i = 0; i < padding; i++) {
            emit(o, ' ');
        }
    }
}

// Writes value in the given base right to left ending at end; returns the first digit.
char* digits(char* end, uint64_t value, uint32_t base, const char* alphabet) {
    char* p = end;
    do {
        *--p = alphabet[value % base];
        value /= base;
    } while (value != 0);
    return p;
}

const char kLower[] = "0123456789abcdef";
const char kUpper[] = "0123456789ABCDEF";

}  // namespace

int mvVsprintf(char* buffer, int size, const char* format, va_list args) {
    Out o;
    o.buffer = buffer;
    o.next = buffer;
    o.room = buffer ? (size < 0 ? 0x7FFFFFFFu : (uint32_t)size) : 0;
    o.count = 0;
    const uint32_t total = o.room;
    const char* f = format ? format : "";

    while (*f) {
        if (*f != '%') {
            emit(&o, *f++);
            continue;
        }
        f++;
        bool left = false, plus = false, blank = false;
        char pad = ' ';
        for (;; f++) {
            if (*f == '-') {
                left = true;
            } else if (*f == '+') {
                plus = true;
            } else if (*f == ' ') {
                blank = true;
            } else if (*f == '0') {
                pad = '0';
            } else {
                break;
            }
        }
        int width = 0;
        if (*f == '*') {
            width = va_arg(args, int);
            f++;
        } else {
            while (*f >= '0' && *f <= '9') {
                width = width * 10 + (*f++ - '0');
            }
        }
        int precision = -1;
        if (*f == '.') {
            f++;
            precision = 0;
            if (*f == '*') {
                precision = va_arg(args, int);
                f++;
            } else {
                while (*f >= '0' && *f <= '9') {
                    precision = precision * 10 + (*f++ - '0');
                }
            }
        }
        while (*f == 'h' || *f == 'l' || *f == 'L') {
            f++;
        }
        if (*f == '\0') {
            break;  // the format ended inside a conversion
        }

        char field[24];
        char* const end = field + sizeof field;
        char* text;
        switch (*f++) {
            case 'd':
            case 'i': {
                int32_t v = va_arg(args, int32_t);
                uint32_t magnitude = v < 0 ? 0u - (uint32_t)v : (uint32_t)v;
                text = digits(end, magnitude, 10, kLower);
                if (v < 0) {
                    *--text = '-';
                } else if (plus) {
                    *--text = '+';
                } else if (blank) {
                    *--text = ' ';
                }
                emitPadded(&o, text, (int)(end - text), width, left, pad);
                break;
            }
            case 'u':
                text = digits(end, va_arg(args, uint32_t), 10, kLower);
                emitPadded(&o, text, (int)(end - text), width, left, pad);
                break;
            case 'o':
                text = digits(end, va_arg(args, uint32_t), 8, kLower);
                emitPadded(&o, text, (int)(end - text), width, left, pad);
                break;
            case 'p':
                // eight digits at least, as the traces always showed addresses
                text = digits(end, (uintptr_t)va_arg(args, void*), 16, kLower);
                emitPadded(&o, text, (int)(end - text), width > 0 ? width : 8, left, width > 0 ? pad : '0');
                break;
            case 'x':
                text = digits(end, va_arg(args, uint32_t), 16, kLower);
                emitPadded(&o, text, (int)(end - text), width, left, pad);
                break;
            case 'X':
                text = digits(end, va_arg(args, uint32_t), 16, kUpper);
                emitPadded(&o, text, (int)(end - text), width, left, pad);
                break;
            case 'c':
                emit(&o, (char)va_arg(args, int));
                break;
            case 's':
            case 'S': {
                const char* s = va_arg(args, const char*);
                if (!s) {
                    s = "(null)";
                }
                int length = 0;
                while (s[length] && (precision < 0 || length < precision)) {
                    length++;
                }
                emitPadded(&o, s, length, width, left, ' ');
                break;
            }
            case 'n': {
                int32_t* where = va_arg(args, int32_t*);
                if (where) {
                    *where = o.count;
                }
                break;
            }
            case '%':
                emitPadded(&o, "%", 1, width, left, pad);
                break;
            default:
                emitPadded(&o, "?", 1, width, left, pad);
                break;
        }
    }

    if (buffer && total != 0) {
        if (o.room != 0) {
            *o.next = '\0';
        } else {
            o.next[-1] = '\0';
        }
    }
    return o.count;
}

int mvSprintf(char* buffer, int size, const char* format, ...) {
    if (!buffer) {
        return 0;
    }
    va_list args;
    va_start(args, format);
    int n = mvVsprintf(buffer, size, format, args);
    va_end(args);
    return n;
}

int mvTraceLog_vprint(const char* format, va_list args) {
    if (!format) {
        return -1;
    }
    return mvVsprintf(nullptr, 0, format, args);
}

// The levelled entry points differ only in the level they need.
#define MV_TRACE_AT(minimum)                      \
    if (!format || traceLevel < (minimum)) {      \
        return -1;                                \
    }                                             \
    va_list args;                                 \
    va_start(args, format);                       \
    int n = mvVsprintf(nullptr, 0, format, args); \
    va_end(args);                                 \
    return n

int mvTraceLog_error(const char* format, ...) { MV_TRACE_AT(MV_TRACE_ERROR); }

int mvTraceLog_warning(const char* format, ...) { MV_TRACE_AT(MV_TRACE_WARNING); }

int mvTraceLog_info(const char* format, ...) { MV_TRACE_AT(MV_TRACE_INFO); }

int mvTraceLog_debug(const char* format, ...) { MV_TRACE_AT(INT32_MIN); }

int mvTraceLog_print(int unused, const char* format, ...) { MV_TRACE_AT(INT32_MIN); }

#undef MV_TRACE_AT

int mvTraceLog_setLogLevel(int level) {
    if (level < 4) {
        traceLevel = level;
    } else {
        mvTraceLog_warning("mvTraceLog: setLogLevel: Illegal argument");
        traceLevel = MV_TRACE_INFO;
    }
    return traceLevel;
}

int mvTraceLog_getLogLevel(void) { return traceLevel; }
