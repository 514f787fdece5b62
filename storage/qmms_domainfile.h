// The files of the protection domains under "rom://midlet/permission/": their record
// sizes and the meaning of the state words. The domain generator writes them and the
// suite store reads them, both from these numbers.
#pragma once

#include <stdint.h>

enum {
    QMMS_DOMAIN_NAME_SIZE = 256,   // one entry of "domains.idx"
    QMMS_DOMAIN_HEADER = 4,        // the four counts of a domain file
    QMMS_PERMISSION_RECORD = 5,    // u32 name text, u8 group
    QMMS_GROUP_RECORD = 24,        // u32 name text, default state, allowed modes, title, message, setting
    QMMS_MODE_RECORD = 10,         // u8 group, u32 mode, u8 group changed, u32 state it gets
    QMMS_RESTRICTION_RECORD = 31,  // u8 group, u32 mode, u8 group, u32 mode, u8 verdict, five u32
    QMMS_SIGNER_HEADER = 11,       // ten unread bytes and the record count
    QMMS_SIGNER_FIELD = 64,
    QMMS_SIGNER_FIELDS = 6,  // "CN=", "OU=", "O=", "L=", "ST=", "C="
    QMMS_SIGNER_RECORD = 1 + QMMS_SIGNER_FIELDS * QMMS_SIGNER_FIELD,
    QMMS_COUNT_LIMIT = 127,  // counts and byte indexes are read as signed bytes
};
static_assert(QMMS_SIGNER_RECORD == 385, "signer record size");

// A permission state word: the low four bits are its interaction mode, one of these;
// the same bits make a group's allowed-mode word.
enum {
    QMMS_MODE_BLANKET = 0x01,  // granted until the user changes it
    QMMS_MODE_SESSION = 0x02,  // asked once in a run
    QMMS_MODE_ONESHOT = 0x04,  // asked at every use
    QMMS_MODE_NO = 0x08,       // denied
    QMMS_MODE_MASK = 0x0F,
    QMMS_STATE_USER_SET = 0x10,  // the user chose the mode (a blanket mode needs this to grant)
    QMMS_STATE_ALLOWED = 0x100,  // granted by the domain without asking
    QMMS_STATE_NO_GROUP = 1024,  // a permission without a valid group
};

// The verdict byte of a restriction record.
enum { QMMS_VERDICT_CHOOSE = 1, QMMS_VERDICT_REFUSE = 2 };

// The names of the files, below the folder.
#define QMMS_PERMISSION_FOLDER "rom://midlet/permission/"
#define QMMS_DOMAIN_LIST "domains.idx"
#define QMMS_DOMAIN_SUFFIX ".adi"
#define QMMS_PERMISSION_TEXTS "resource/en_US.dat"
#define QMMS_SIGNER_TABLE "_dn.idx"
