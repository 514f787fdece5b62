// kvm_main and the start and end of a VM run. A run starts from the generated class
// image; without one, or when the host names a library JAR "/sys.jar", the start builds
// the image's fixed roots itself: empty tables, the primitive array classes, and the
// system classes loaded from "/sys.jar" through the class path.
#include "vm/loader/startup.h"

#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

#include "vm/core/classes.h"
#include "vm/core/exceptions.h"
#include "vm/core/frames.h"
#include "vm/core/gc.h"
#include "vm/core/heap.h"
#include "vm/core/inlinecache.h"
#include "vm/core/interp.h"
#include "vm/core/native.h"
#include "vm/core/opcodes.h"
#include "vm/core/resolve.h"
#include "vm/core/tables.h"
#include "vm/core/thread.h"
#include "vm/core/utf.h"
#include "vm/loader/classloader.h"
#include "vm/loader/classpath.h"
#include "vm/loader/hooks.h"
#include "vm/loader/registries.h"
#include "vm/trace/tracelog.h"

static const char SystemJarName[] = "/sys.jar";

static VMBSS int32_t RequestedHeapSize;
// Set when the options named a size: the run's heap is then cut to it.
static VMBSS int32_t HeapSizeGiven;
static VMBSS const char* ClassPathText;
static VMBSS ClassRecord* MainClass;
static VMBSS char* OptionBuffer;
// The heap block handed to this run: the caller's, cut to the requested size.
static VMBSS KvmStartRecord RunHeapRecord;
static VMBSS KvmStartRecord* CallerStartRecord;

// Tables and roots of a run without a generated image.
static VMBSS cell BootNameTable[2 + NAME_TABLE_BUCKETS];
static VMBSS cell BootClassTable[2 + CLASS_TABLE_BUCKETS];
static VMBSS cell BootStringTable[2 + STRING_TABLE_BUCKETS];
static VMBSS RomImage BootImage;

int32_t kvmRequestedHeapSize() { return RequestedHeapSize; }
const char* kvmClassPath() { return ClassPathText; }
ClassRecord* kvmMainClass() { return MainClass; }

// Prints nothing, as on the device.
static void usage() {}

// -> 0, or -1 for an unknown unit.
static int parseHeapSize(const char* value) {
    char* end = nullptr;
    long long size = strtoll(value, &end, 10);
    long long unit = 1;
    switch (*end) {
        case 0:
            break;
        case 'k':
        case 'K':
            unit = 1024;
            break;
        case 'm':
        case 'M':
            unit = 1048576;
            break;
        default:
            return -1;
    }
    // a count beyond the maximum stays beyond it, never wraps to a small heap
    size = size > MAXIMUM_HEAP_OPTION / unit ? (long long)MAXIMUM_HEAP_OPTION + 1 : size * unit;
    if (size < MINIMUM_HEAP_SIZE) {
        mvTraceLog_print(0, "KVM requires 32kB minimum memory\n");
        size = MINIMUM_HEAP_SIZE;
    } else if (size > MAXIMUM_HEAP_OPTION) {
        mvTraceLog_print(0, "KVM allows 64MB maximum heap\n");
        size = MAXIMUM_HEAP_OPTION;
    }
    RequestedHeapSize = (int32_t)size & ~3;
    HeapSizeGiven = 1;
    return 0;
}

int32_t kvm_main(int argc, char** argv) {
    RequestedHeapSize = DEFAULT_HEAP_SIZE;
    HeapSizeGiven = 0;
    ClassPathText = nullptr;
    int i = 1;
    while (i < argc) {
        const char* option = argv[i];
        if (strcmp(option, "-version") == 0) {
            mvTraceLog_print(0, "Version: %s\n", "generic");
            return -1;
        }
        if (strcmp(option, "-help") == 0) {
            usage();
            return -1;
        }
        if (strcmp(option, "-heapsize") == 0 && i + 1 < argc) {
            if (parseHeapSize(argv[i + 1]) != 0) {
                usage();
                return -1;
            }
            i += 2;
            continue;
        }
        if (strcmp(option, "-classpath") == 0 && i + 1 < argc) {
            ClassPathText = argv[i + 1];
            i += 2;
            continue;
        }
        break;
    }
    if (ClassPathText == nullptr) {
        mvTraceLog_print(0, "Classpath is not set. Defaulting to '.'\n");
        ClassPathText = ".";
    }
    int32_t result = vmStart(argc - i, argv + i);
    if (result == -1) usage();
    return result;
}

int32_t vmStart(int argc, char** argv) {
    if (argc < 1 || argv[0] == nullptr) {
        vmAlert("Must provide class name");
        return -1;
    }
    int32_t code = vmStartMain(argc, argv);
    vmCleanup();
    return code;
}

// ---------------------------------------------------------------------------------
// The image's roots, from the generated image or built from "/sys.jar"

// A run takes the generated image unless the host named a library JAR for it.
static bool haveGeneratedImage() {
    int32_t mode = 0, size = 0;
    return LoaderHooks.classImage != nullptr && statMemoryFile(SystemJarName, &mode, &size) != 0;
}

static VmHashTable* bootTable(cell* words, uint32_t buckets) {
    VmHashTable* table = (VmHashTable*)words;
    table->bucketCount = buckets;
    return table;
}

void useImageTables() {
    if (haveGeneratedImage()) {
        useRomImage(LoaderHooks.classImage);
        return;
    }
    BootImage.nameTable = bootTable(BootNameTable, NAME_TABLE_BUCKETS);
    BootImage.classTable = bootTable(BootClassTable, CLASS_TABLE_BUCKETS);
    BootImage.stringTable = bootTable(BootStringTable, STRING_TABLE_BUCKETS);
    useRomImage(&BootImage);
}

static const char PrimitiveLetters[] = "ZCFDBSIJ";  // T_BOOLEAN .. T_LONG

static void makePrimitiveArrayClasses() {
    for (int code = T_BOOLEAN; code <= T_LONG; code++) {
        char name[2] = {'[', PrimitiveLetters[code - T_BOOLEAN]};
        ArrayClassRecord* a = asArrayClass(lookupClassTableEntry(nullptr, lookupNameTableEntry(name, 2)));
        a->clazz = JavaLangClass;
        a->accessFlags = 0x1411;
        a->key = typeKeyOf(1, name[1]);
        a->u.primType = (uint32_t)code;
        a->itemSize = (uint32_t)arrayItemSize(code);
        a->gcType = GCT_ARRAY;
        PrimitiveArrayClasses[code] = a;
    }
}

// The one method whose code the compiler cannot write: it runs native work that was
// put on the Java stack. The library declares it native; here it gets its opcode.
static MethodRecord* makeRunCustomCode() {
    MethodRecord* m = getSpecialMethod(JavaLangClass, getNameAndTypeKey("runCustomCode", "()V"));
    if (m == nullptr) fatalVMError("java/lang/Class has no runCustomCode");
    uint8_t* code = (uint8_t*)callocPermanentObject(1);
    code[0] = OP_CUSTOM_CODE;
    m->u.code = code;
    m->codeLength = 1;
    m->maxStack = 4;
    m->frameSize = 0;
    m->argCount = 0;
    m->accessFlags = (m->accessFlags & ~(uint32_t)ACC_NATIVE) | ACC_PREPARED;
    return m;
}

// Loads the system classes from "/sys.jar" as the image would hold them. The roots are
// made raw first: every class read names Class, strings need String and char[].
static const char* const SystemRootNames[7] = {"java/lang/Object", "java/lang/Class",  "java/lang/String",
                                               "java/lang/Thread", "java/lang/System", "java/lang/Throwable",
                                               "java/lang/Error"};

void loadSystemClassesFromJar() {
    ClassRecord** roots[7] = {&JavaLangObject, &JavaLangClass,     &JavaLangString, &JavaLangThread,
                              &JavaLangSystem, &JavaLangThrowable, &JavaLangError};
    for (int i = 0; i < 7; i++) *roots[i] = getRawClass(SystemRootNames[i]);
    // A load that fails before String is linked still makes its message a String.
    describeRawString();
    makePrimitiveArrayClasses();
    for (int i = 0; i < 7; i++) getClass(SystemRootNames[i]);
    RunCustomCodeMethod = makeRunCustomCode();
    saveRomImageRoots(&BootImage);
}

// ---------------------------------------------------------------------------------
// The start

// The run's heap is the caller's block: the host sized it (a MIDlet's from the
// JavaHeapSize setting). Only a "-heapsize" option cuts it, to that size and the room
// the system classes take when they are loaded from the JAR. Either way the heap's own
// limit holds: a larger block is used up to it, never refused.
static void takeRunHeap() {
    CallerStartRecord = mvVm_getStartRecord();
    if (CallerStartRecord == nullptr) return;
    RunHeapRecord = *CallerStartRecord;
    int32_t wanted = MAXIMUM_HEAP_SIZE;
    if (HeapSizeGiven) wanted = RequestedHeapSize + (haveGeneratedImage() ? 0 : SYSTEM_JAR_HEAP_RESERVE);
    if (wanted > MAXIMUM_HEAP_SIZE) wanted = MAXIMUM_HEAP_SIZE;
    if (RunHeapRecord.heapSize > wanted) RunHeapRecord.heapSize = wanted;
    mvVm_keepStartRecord(&RunHeapRecord);
}

static void initRunClassPath() {
    int32_t mode = 0, size = 0;
    if (haveGeneratedImage() || statMemoryFile(SystemJarName, &mode, &size) != 0) {
        initClassPath(ClassPathText);
        return;
    }
    // The class path copies the names; a local text serves.
    char text[MESSAGE_BUFFER_SIZE * 3];
    mvSprintf(text, sizeof text, "%s;%s", SystemJarName, ClassPathText);
    initClassPath(text);
}

// Command-line text is standard UTF-8 (or not UTF-8 at all); class names and strings
// take the class-file form. A four-byte sequence becomes its surrogate pair, a byte that
// starts no character U+FFFD. Writes at most 3 * length + 1 bytes; returns the length.
static int toClassFileUtf8(const char* text, int length, char* out) {
    const uint8_t* in = (const uint8_t*)text;
    int n = 0;
    auto put = [&](uint32_t c) {
        if (c < 0x80 && c != 0) {
            out[n++] = (char)c;
        } else if (c < 0x800) {
            out[n++] = (char)(0xC0 | (c >> 6));
            out[n++] = (char)(0x80 | (c & 0x3F));
        } else {
            out[n++] = (char)(0xE0 | (c >> 12));
            out[n++] = (char)(0x80 | ((c >> 6) & 0x3F));
            out[n++] = (char)(0x80 | (c & 0x3F));
        }
    };
    for (int i = 0; i < length;) {
        uint8_t lead = in[i];
        int follow = lead < 0x80             ? 0
                     : (lead & 0xE0) == 0xC0 ? 1
                     : (lead & 0xF0) == 0xE0 ? 2
                     : (lead & 0xF8) == 0xF0 ? 3
                                             : -1;
        bool whole = follow >= 0 && i + follow < length;
        uint32_t c = follow > 0 ? (uint32_t)(lead & (0x3F >> follow)) : lead;
        for (int k = 1; whole && k <= follow; k++) {
            whole = (in[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (in[i + k] & 0x3F);
        }
        if (!whole || c > 0x10FFFF) {
            put(0xFFFD);
            i++;
            continue;
        }
        if (c > 0xFFFF) {
            c -= 0x10000;
            put(0xD800 | (c >> 10));
            put(0xDC00 | (c & 0x3FF));
        } else {
            put(c);
        }
        i += follow + 1;
    }
    out[n] = 0;
    return n;
}

static void loadMainClass(char* given) {
    char name[MESSAGE_BUFFER_SIZE];
    int length = (int)strlen(given);
    if (length > (MESSAGE_BUFFER_SIZE - 1) / 3) length = (MESSAGE_BUFFER_SIZE - 1) / 3;
    toClassFileUtf8(given, length, name);
    if (name[0] == 0 || name[0] == '[') raiseExceptionWithMessage(NoClassDefFoundError, name);
    replaceLetters(name, '.', '/');
    MainClass = getClass(name);
}

static ArrayObject* buildArgumentArray(int count, char** arguments) {
    if (count < 0) count = 0;
    ArrayObject* array = instantiateArray(getArrayClass(1, JavaLangString, 'L'), count);
    int32_t savedRoots = TemporaryRootsLength;
    char* text = nullptr;
    makeTemporaryRoot(&array);
    makeTemporaryRoot(&text);
    for (int i = 0; i < count; i++) {
        int length = (int)strlen(arguments[i]);
        text = mallocBytes(3 * length + 1);
        int n = toClassFileUtf8(arguments[i], length, text);
        // the text is read while the string is made, which may move it
        lockObjectMemory(text);
        StringInstance* s = instantiateStringFromUtf(text, n);
        unlockObjectMemory(text);
        setObjectArrayElement(array, i, s);
    }
    TemporaryRootsLength = savedRoots;
    return array;
}

static void reportEarlyException(OBJECT exception) {
    char text[MESSAGE_BUFFER_SIZE];
    getClassNameBuffer(exception->clazz, text, sizeof text);
    StringInstance* message = (StringInstance*)getObjectFieldByIndex(exception, 0);
    int used = (int)strlen(text);
    if (message != nullptr && used + 2 < (int)sizeof text - 1) {
        strcpy(text + used, ": ");
        used += 2;
        utf16ToHostUtf8(getStringCharsPointer(message), message->count, text + used, (int)sizeof text - used);
    }
    memcpy(MessageBuffer, text, sizeof text);
    vmAlert(MessageBuffer);
}

// Their initialisers are pushed above main; the last pushed runs first, so this is
// OutOfMemoryError, System, String, Thread, Class in running order.
static const char* const InitialisedAtStart[5] = {"java/lang/Class", "java/lang/Thread", "java/lang/String",
                                                  "java/lang/System", "java/lang/OutOfMemoryError"};

int32_t vmStartMain(int argc, char** argv) {
    jmp_buf* previousExit = VmExitFrame;
    volatile int32_t code = 0;
    MainClass = nullptr;
    jmp_buf catchBuffer;
    CatchFrame outer;
    pushCatchFrame(&outer, &catchBuffer);
    if (setjmp(catchBuffer) == 0) {
        jmp_buf exitFrame;
        VmExitFrame = &exitFrame;
        if (setjmp(exitFrame) == 0) {
            classNotFoundMode = 0;
            useImageTables();
            takeRunHeap();
            InitializeMemoryManagement();
            InitializeInlineCaching();
            initRunClassPath();
            if (!haveGeneratedImage()) loadSystemClassesFromJar();
            InitializeJavaSystemClasses();
            LoaderHooks.mvK6Event_initialize();
            startVmParts();
            loadMainClass(argv[0]);
            ArrayObject* arguments = buildArgumentArray(argc - 1, argv + 1);
            InitializeThreading(MainClass, arguments);
            for (const char* name : InitialisedAtStart) initializeClass(getClass(name));
            if (LoaderHooks.mvVm_isExitRequested()) vmExitLongjmp(0);
            interpretEntry();
            // threads a static initialiser started have run; the program still failed
            code = MainMethodMissing ? 1 : 0;
        } else {
            code = VmExitCode;
        }
    } else {
        OBJECT exception = outer.throwable;
        if (MainClass != nullptr) {
            printUncaughtException(exception);
            code = 128;
        } else {
            reportEarlyException(exception);
            code = 1;
        }
    }
    popCatchFrame(&outer);
    VmExitFrame = previousExit;
    return code;
}

void startVmParts() {
    if (LoaderHooks.mvVm_allocWorkBuffer() == nullptr) fatalVMError("Cannot allocate the work buffer");
    mvOption_init();
    int32_t result = mvParts_Initializer();
    if (result < 0) {
        mvTraceLog_error("Error!! mvParts_Initializer\n");
        vmExitLongjmp(result);
    }
    LoaderHooks.mvVmEvent_started();
    LoaderHooks.mvVmClock_start();
}

void vmCleanup() {
    FinalizeInlineCaching();
    if (HeapStart != nullptr) {
        // cleanup functions may raise or end the run: give them an exit point
        jmp_buf* previousExit = VmExitFrame;
        jmp_buf exitFrame;
        VmExitFrame = &exitFrame;
        if (setjmp(exitFrame) == 0) FinalizeMemoryManagement();
        VmExitFrame = previousExit;
    }
    if (ClassTable != nullptr) resetClassStates();
    releaseClassPath();
    if (CallerStartRecord != nullptr) mvVm_keepStartRecord(CallerStartRecord);
    CallerStartRecord = nullptr;
    CurrentCatchFrame = nullptr;
}

// ---------------------------------------------------------------------------------
// Option store

struct OptionDefault {
    const char* key;
    const char* value;
};

static const OptionDefault OptionDefaults[OPTION_DEFAULT_SLOTS] = {
    {"default.timezone", "Asia/Tokyo"},
    {"language.direction", "0"},
    {"midp_selector_exit", "Exit"},
    {"midp_alert_done", "Done"},
    {"midp_command_menu", "Menu"},
    {"midp_selector_launch_failed", "Launching %n failed."},
    {"midp20_permissionOk", "OK"},
    {"midp20_permissionCancel", "Cancel"},
    {"midp20_permissionBlanket", "Allow and don't ask again"},
    {"midp20_permissionSession", "Allow for this session"},
    {"midp20_permissionSessionNo", "No for this session"},
    {"midp20_permissionOneshot", "Allow and ask me next time"},
    {"midp20_permissionNotNow", "Not now"},
    {"midp20_permissionNever", "Never"},
    {"midp20_permissionUseNativeDialog", "0"},
    {"midp20_permissionNetAccess", "Use network?"},
    {"midp20_permissionMessaging", "Use messaging?"},
    {"midp20_permissionShareRecordstore", "Share recordstore?"},
    {"midp20_permissionAutoInvocation", "Use auto invocation?"},
    {"midp20_permissionLocalConnectivity", "Use local connectivity?"},
    {"midp20_permissionRecording", "Use recording?"},
    {"midp20_permissionDefault", "Allow?"},
    {"midp_vertical_scroll", "12"},
    {"midp_scrollbar_width", "0"},
    {"midp_screen_background", "0x00FFFFFF"},
    {"midp_screen_foreground", "0x00000000"},
    {"midp_screen_linked_color", "0x000000FF"},
    {"midp_form_inset_top", "0"},
    {"midp_form_inset_left", "0"},
    {"midp_form_inset_right", "0"},
    {"midp_form_inset_bottom", "0"},
    {"midp_enhance_create_cropped_image", "0"},
    {"midp_enhance_flush_game_graphics", "0"},
    {"midp_game_flush_compatible_wt_wtk", "0"},
    {"midp20_permissionDialog_background", "0x00FFFFFF"},
    {"midp20_permissionDialog_foreground", "0x00000000"},
    {"midp_use_scrollbar", "1"},
    {"midp_form_scrollbar_vpos", "1"},
    {"midp_command_actsWithPressed", "1"},
    {nullptr, nullptr},
};

void mvOption_init() { OptionBuffer = (char*)callocPermanentObject(OPTION_BUFFER_SIZE / 4); }

const char* mvOption_getDefault(const char* key) {
    if (key == nullptr) return nullptr;
    size_t length = strlen(key);
    for (const OptionDefault& slot : OptionDefaults) {
        if (slot.key != nullptr && strlen(slot.key) == length && memcmp(slot.key, key, length) == 0) return slot.value;
    }
    return nullptr;
}

const char* mvOption_getUtf8(const char* key) {
    if (key == nullptr || key[0] == 0) {
        mvTraceLog_info("mvOption_getUtf8: key can't be empty");
        return "";
    }
    // The key's UCS-2 form and then the answer share the one buffer.
    uint16_t* units = (uint16_t*)OptionBuffer;
    int32_t length = 0;
    const char* p = key;
    const char* end = key + strlen(key);
    while (p < end && length < OPTION_BUFFER_SIZE / 2) units[length++] = utf2unicode(&p);
    int32_t answerLength = 0;
    const uint16_t* answer = LoaderHooks.MkOptionGetString(units, length, &answerLength);
    if (answer == nullptr) return mvOption_getDefault(key);
    uint32_t reached = 0, errors = 0;
    int result = convertUnicodeToBytes(answer, 0, answerLength, (uint8_t*)OptionBuffer, 0, OPTION_BUFFER_SIZE - 1,
                                       &reached, &errors, 0);
    if (result < 0) {
        mvTraceLog_error("MkOptionGetString() returned too large string.\n");
        fatalVMError("bufferOverflow");
    }
    OptionBuffer[reached] = 0;
    return OptionBuffer;
}
