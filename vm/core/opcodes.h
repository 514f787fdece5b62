// The one table of opcodes: name, length (0: variable, read from the operands) and
// operand format of every instruction, standard and VM-internal, whether the fast loop
// executes it or hands it to SlowInterpret, and its effect on the operand stack. The
// interpreter, the rewriter, the verifier and the GC-map simulation all read this table.
#pragma once

#include <stdint.h>

enum OperandFormat : uint8_t {
    OPF_NONE,
    OPF_S8,        // signed constant byte
    OPF_S16,       // signed 16-bit constant
    OPF_CP8,       // one-byte constant-pool index
    OPF_CP16,      // two-byte constant-pool index
    OPF_LOCAL,     // local index byte
    OPF_IINC,      // local index byte, signed increment byte
    OPF_BRANCH16,  // signed 16-bit offset from the opcode
    OPF_BRANCH32,  // signed 32-bit offset from the opcode
    OPF_TABLESWITCH,
    OPF_LOOKUPSWITCH,
    OPF_INVOKEINTERFACE,  // cp index, argument words, zero byte
    OPF_NEWARRAY,         // type code byte
    OPF_WIDE,
    OPF_MULTIANEWARRAY,  // cp index, dimensions byte
    OPF_SLOT16,          // field slot index
    OPF_IC16,            // inline-cache index
    OPF_IC_INTERFACE,    // inline-cache index, argument words, spare byte
    OPF_LOCAL4,          // local as a byte offset (index * 4)
    OPF_LOCAL4_LOCAL4,
    OPF_ZERO_SLOT8,  // zero byte, slot byte
    OPF_LOCAL4_ZERO_SLOT8,
    OPF_SPARE,                   // one spare byte
    OPF_LOCAL4_BRANCH16,         // offset counted from the byte after the opcode
    OPF_LOCAL4_LOCAL4_BRANCH16,  // offset counted from the second byte after the opcode
    OPF_LOCAL4_S8_BRANCH16,      // offset counted from the second byte after the opcode
};

// Where an opcode runs.
enum OpcodeKind : uint8_t {
    OPK_FAST,     // the dispatch loop itself (float and double work too, which SlowInterpret
                  // also accepts, counted for the time slice as a slow instruction is)
    OPK_SLOW,     // handed to SlowInterpret with ip at the instruction
    OPK_ILLEGAL,  // "Illegal bytecode %ld"
};

struct OpcodeInfo {
    const char* name;
    uint8_t length;
    OperandFormat format;
    OpcodeKind kind;
    const char* stack;  // the stack effect, below
};

// The stack effect: the values taken, deepest first, then '>' and the values left, each
// one letter: I int, F float, J long and D double (two words each), A an object
// reference, R any reference (an uninitialized one too), N null, C the class the
// constant-pool operand names, W one word of any kind, and "[x" an array of the
// primitive x. A leading '!' marks an instruction whose types the verifier checks
// itself (the word counts still hold); "*" one whose effect depends on its operands,
// the resolved member or the locals, which every reader works out itself.

// X(number, NAME, name, length, format, kind, stack): name is the instruction's own name,
// in lower case, as a token, so that the interpreter can name its labels after it
#define FOR_EACH_OPCODE(X)                                                                     \
    X(0, NOP, nop, 1, OPF_NONE, OPK_FAST, ">")                                                 \
    X(1, ACONST_NULL, aconst_null, 1, OPF_NONE, OPK_FAST, ">N")                                \
    X(2, ICONST_M1, iconst_m1, 1, OPF_NONE, OPK_FAST, ">I")                                    \
    X(3, ICONST_0, iconst_0, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(4, ICONST_1, iconst_1, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(5, ICONST_2, iconst_2, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(6, ICONST_3, iconst_3, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(7, ICONST_4, iconst_4, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(8, ICONST_5, iconst_5, 1, OPF_NONE, OPK_FAST, ">I")                                      \
    X(9, LCONST_0, lconst_0, 1, OPF_NONE, OPK_FAST, ">J")                                      \
    X(10, LCONST_1, lconst_1, 1, OPF_NONE, OPK_FAST, ">J")                                     \
    X(11, FCONST_0, fconst_0, 1, OPF_NONE, OPK_FAST, ">F")                                     \
    X(12, FCONST_1, fconst_1, 1, OPF_NONE, OPK_FAST, ">F")                                     \
    X(13, FCONST_2, fconst_2, 1, OPF_NONE, OPK_FAST, ">F")                                     \
    X(14, DCONST_0, dconst_0, 1, OPF_NONE, OPK_FAST, ">D")                                     \
    X(15, DCONST_1, dconst_1, 1, OPF_NONE, OPK_FAST, ">D")                                     \
    X(16, BIPUSH, bipush, 2, OPF_S8, OPK_FAST, ">I")                                           \
    X(17, SIPUSH, sipush, 3, OPF_S16, OPK_FAST, ">I")                                          \
    X(18, LDC, ldc, 2, OPF_CP8, OPK_FAST, "*")                                                 \
    X(19, LDC_W, ldc_w, 3, OPF_CP16, OPK_FAST, "*")                                            \
    X(20, LDC2_W, ldc2_w, 3, OPF_CP16, OPK_FAST, "!>J")                                        \
    X(21, ILOAD, iload, 2, OPF_LOCAL, OPK_FAST, "!>I")                                         \
    X(22, LLOAD, lload, 2, OPF_LOCAL, OPK_FAST, "!>J")                                         \
    X(23, FLOAD, fload, 2, OPF_LOCAL, OPK_FAST, "!>F")                                         \
    X(24, DLOAD, dload, 2, OPF_LOCAL, OPK_FAST, "!>D")                                         \
    X(25, ALOAD, aload, 2, OPF_LOCAL, OPK_FAST, "!>A")                                         \
    X(26, ILOAD_0, iload_0, 1, OPF_NONE, OPK_FAST, "!>I")                                      \
    X(27, ILOAD_1, iload_1, 1, OPF_NONE, OPK_FAST, "!>I")                                      \
    X(28, ILOAD_2, iload_2, 1, OPF_NONE, OPK_FAST, "!>I")                                      \
    X(29, ILOAD_3, iload_3, 1, OPF_NONE, OPK_FAST, "!>I")                                      \
    X(30, LLOAD_0, lload_0, 1, OPF_NONE, OPK_FAST, "!>J")                                      \
    X(31, LLOAD_1, lload_1, 1, OPF_NONE, OPK_FAST, "!>J")                                      \
    X(32, LLOAD_2, lload_2, 1, OPF_NONE, OPK_FAST, "!>J")                                      \
    X(33, LLOAD_3, lload_3, 1, OPF_NONE, OPK_FAST, "!>J")                                      \
    X(34, FLOAD_0, fload_0, 1, OPF_NONE, OPK_FAST, "!>F")                                      \
    X(35, FLOAD_1, fload_1, 1, OPF_NONE, OPK_FAST, "!>F")                                      \
    X(36, FLOAD_2, fload_2, 1, OPF_NONE, OPK_FAST, "!>F")                                      \
    X(37, FLOAD_3, fload_3, 1, OPF_NONE, OPK_FAST, "!>F")                                      \
    X(38, DLOAD_0, dload_0, 1, OPF_NONE, OPK_FAST, "!>D")                                      \
    X(39, DLOAD_1, dload_1, 1, OPF_NONE, OPK_FAST, "!>D")                                      \
    X(40, DLOAD_2, dload_2, 1, OPF_NONE, OPK_FAST, "!>D")                                      \
    X(41, DLOAD_3, dload_3, 1, OPF_NONE, OPK_FAST, "!>D")                                      \
    X(42, ALOAD_0, aload_0, 1, OPF_NONE, OPK_FAST, "!>A")                                      \
    X(43, ALOAD_1, aload_1, 1, OPF_NONE, OPK_FAST, "!>A")                                      \
    X(44, ALOAD_2, aload_2, 1, OPF_NONE, OPK_FAST, "!>A")                                      \
    X(45, ALOAD_3, aload_3, 1, OPF_NONE, OPK_FAST, "!>A")                                      \
    X(46, IALOAD, iaload, 1, OPF_NONE, OPK_FAST, "[II>I")                                      \
    X(47, LALOAD, laload, 1, OPF_NONE, OPK_FAST, "[JI>J")                                      \
    X(48, FALOAD, faload, 1, OPF_NONE, OPK_FAST, "[FI>F")                                      \
    X(49, DALOAD, daload, 1, OPF_NONE, OPK_FAST, "[DI>D")                                      \
    X(50, AALOAD, aaload, 1, OPF_NONE, OPK_FAST, "!AI>A")                                      \
    X(51, BALOAD, baload, 1, OPF_NONE, OPK_FAST, "!AI>I")                                      \
    X(52, CALOAD, caload, 1, OPF_NONE, OPK_FAST, "!AI>I")                                      \
    X(53, SALOAD, saload, 1, OPF_NONE, OPK_FAST, "!AI>I")                                      \
    X(54, ISTORE, istore, 2, OPF_LOCAL, OPK_FAST, "*")                                         \
    X(55, LSTORE, lstore, 2, OPF_LOCAL, OPK_FAST, "*")                                         \
    X(56, FSTORE, fstore, 2, OPF_LOCAL, OPK_FAST, "*")                                         \
    X(57, DSTORE, dstore, 2, OPF_LOCAL, OPK_FAST, "*")                                         \
    X(58, ASTORE, astore, 2, OPF_LOCAL, OPK_FAST, "*")                                         \
    X(59, ISTORE_0, istore_0, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(60, ISTORE_1, istore_1, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(61, ISTORE_2, istore_2, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(62, ISTORE_3, istore_3, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(63, LSTORE_0, lstore_0, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(64, LSTORE_1, lstore_1, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(65, LSTORE_2, lstore_2, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(66, LSTORE_3, lstore_3, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(67, FSTORE_0, fstore_0, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(68, FSTORE_1, fstore_1, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(69, FSTORE_2, fstore_2, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(70, FSTORE_3, fstore_3, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(71, DSTORE_0, dstore_0, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(72, DSTORE_1, dstore_1, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(73, DSTORE_2, dstore_2, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(74, DSTORE_3, dstore_3, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(75, ASTORE_0, astore_0, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(76, ASTORE_1, astore_1, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(77, ASTORE_2, astore_2, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(78, ASTORE_3, astore_3, 1, OPF_NONE, OPK_FAST, "*")                                      \
    X(79, IASTORE, iastore, 1, OPF_NONE, OPK_FAST, "[III>")                                    \
    X(80, LASTORE, lastore, 1, OPF_NONE, OPK_FAST, "[JIJ>")                                    \
    X(81, FASTORE, fastore, 1, OPF_NONE, OPK_FAST, "[FIF>")                                    \
    X(82, DASTORE, dastore, 1, OPF_NONE, OPK_FAST, "[DID>")                                    \
    X(83, AASTORE, aastore, 1, OPF_NONE, OPK_FAST, "!AIA>")                                    \
    X(84, BASTORE, bastore, 1, OPF_NONE, OPK_FAST, "!AII>")                                    \
    X(85, CASTORE, castore, 1, OPF_NONE, OPK_FAST, "!AII>")                                    \
    X(86, SASTORE, sastore, 1, OPF_NONE, OPK_FAST, "!AII>")                                    \
    X(87, POP, pop, 1, OPF_NONE, OPK_FAST, "*")                                                \
    X(88, POP2, pop2, 1, OPF_NONE, OPK_FAST, "*")                                              \
    X(89, DUP, dup, 1, OPF_NONE, OPK_FAST, "*")                                                \
    X(90, DUP_X1, dup_x1, 1, OPF_NONE, OPK_FAST, "*")                                          \
    X(91, DUP_X2, dup_x2, 1, OPF_NONE, OPK_FAST, "*")                                          \
    X(92, DUP2, dup2, 1, OPF_NONE, OPK_FAST, "*")                                              \
    X(93, DUP2_X1, dup2_x1, 1, OPF_NONE, OPK_FAST, "*")                                        \
    X(94, DUP2_X2, dup2_x2, 1, OPF_NONE, OPK_FAST, "*")                                        \
    X(95, SWAP, swap, 1, OPF_NONE, OPK_FAST, "*")                                              \
    X(96, IADD, iadd, 1, OPF_NONE, OPK_FAST, "II>I")                                           \
    X(97, LADD, ladd, 1, OPF_NONE, OPK_FAST, "JJ>J")                                           \
    X(98, FADD, fadd, 1, OPF_NONE, OPK_FAST, "FF>F")                                           \
    X(99, DADD, dadd, 1, OPF_NONE, OPK_FAST, "DD>D")                                           \
    X(100, ISUB, isub, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(101, LSUB, lsub, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(102, FSUB, fsub, 1, OPF_NONE, OPK_FAST, "FF>F")                                          \
    X(103, DSUB, dsub, 1, OPF_NONE, OPK_FAST, "DD>D")                                          \
    X(104, IMUL, imul, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(105, LMUL, lmul, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(106, FMUL, fmul, 1, OPF_NONE, OPK_FAST, "FF>F")                                          \
    X(107, DMUL, dmul, 1, OPF_NONE, OPK_FAST, "DD>D")                                          \
    X(108, IDIV, idiv, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(109, LDIV, ldiv, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(110, FDIV, fdiv, 1, OPF_NONE, OPK_FAST, "FF>F")                                          \
    X(111, DDIV, ddiv, 1, OPF_NONE, OPK_FAST, "DD>D")                                          \
    X(112, IREM, irem, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(113, LREM, lrem, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(114, FREM, frem, 1, OPF_NONE, OPK_FAST, "FF>F")                                          \
    X(115, DREM, drem, 1, OPF_NONE, OPK_FAST, "DD>D")                                          \
    X(116, INEG, ineg, 1, OPF_NONE, OPK_FAST, "I>I")                                           \
    X(117, LNEG, lneg, 1, OPF_NONE, OPK_FAST, "J>J")                                           \
    X(118, FNEG, fneg, 1, OPF_NONE, OPK_FAST, "F>F")                                           \
    X(119, DNEG, dneg, 1, OPF_NONE, OPK_FAST, "D>D")                                           \
    X(120, ISHL, ishl, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(121, LSHL, lshl, 1, OPF_NONE, OPK_FAST, "JI>J")                                          \
    X(122, ISHR, ishr, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(123, LSHR, lshr, 1, OPF_NONE, OPK_FAST, "JI>J")                                          \
    X(124, IUSHR, iushr, 1, OPF_NONE, OPK_FAST, "II>I")                                        \
    X(125, LUSHR, lushr, 1, OPF_NONE, OPK_FAST, "JI>J")                                        \
    X(126, IAND, iand, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(127, LAND, land, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(128, IOR, ior, 1, OPF_NONE, OPK_FAST, "II>I")                                            \
    X(129, LOR, lor, 1, OPF_NONE, OPK_FAST, "JJ>J")                                            \
    X(130, IXOR, ixor, 1, OPF_NONE, OPK_FAST, "II>I")                                          \
    X(131, LXOR, lxor, 1, OPF_NONE, OPK_FAST, "JJ>J")                                          \
    X(132, IINC, iinc, 3, OPF_IINC, OPK_FAST, "*")                                             \
    X(133, I2L, i2l, 1, OPF_NONE, OPK_FAST, "I>J")                                             \
    X(134, I2F, i2f, 1, OPF_NONE, OPK_FAST, "I>F")                                             \
    X(135, I2D, i2d, 1, OPF_NONE, OPK_FAST, "I>D")                                             \
    X(136, L2I, l2i, 1, OPF_NONE, OPK_FAST, "J>I")                                             \
    X(137, L2F, l2f, 1, OPF_NONE, OPK_FAST, "J>F")                                             \
    X(138, L2D, l2d, 1, OPF_NONE, OPK_FAST, "J>D")                                             \
    X(139, F2I, f2i, 1, OPF_NONE, OPK_FAST, "F>I")                                             \
    X(140, F2L, f2l, 1, OPF_NONE, OPK_FAST, "F>J")                                             \
    X(141, F2D, f2d, 1, OPF_NONE, OPK_FAST, "F>D")                                             \
    X(142, D2I, d2i, 1, OPF_NONE, OPK_FAST, "D>I")                                             \
    X(143, D2L, d2l, 1, OPF_NONE, OPK_FAST, "D>J")                                             \
    X(144, D2F, d2f, 1, OPF_NONE, OPK_FAST, "D>F")                                             \
    X(145, I2B, i2b, 1, OPF_NONE, OPK_FAST, "I>I")                                             \
    X(146, I2C, i2c, 1, OPF_NONE, OPK_FAST, "I>I")                                             \
    X(147, I2S, i2s, 1, OPF_NONE, OPK_FAST, "I>I")                                             \
    X(148, LCMP, lcmp, 1, OPF_NONE, OPK_FAST, "JJ>I")                                          \
    X(149, FCMPL, fcmpl, 1, OPF_NONE, OPK_FAST, "FF>I")                                        \
    X(150, FCMPG, fcmpg, 1, OPF_NONE, OPK_FAST, "FF>I")                                        \
    X(151, DCMPL, dcmpl, 1, OPF_NONE, OPK_FAST, "DD>I")                                        \
    X(152, DCMPG, dcmpg, 1, OPF_NONE, OPK_FAST, "DD>I")                                        \
    X(153, IFEQ, ifeq, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(154, IFNE, ifne, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(155, IFLT, iflt, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(156, IFGE, ifge, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(157, IFGT, ifgt, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(158, IFLE, ifle, 3, OPF_BRANCH16, OPK_FAST, "I>")                                        \
    X(159, IF_ICMPEQ, if_icmpeq, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(160, IF_ICMPNE, if_icmpne, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(161, IF_ICMPLT, if_icmplt, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(162, IF_ICMPGE, if_icmpge, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(163, IF_ICMPGT, if_icmpgt, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(164, IF_ICMPLE, if_icmple, 3, OPF_BRANCH16, OPK_FAST, "II>")                             \
    X(165, IF_ACMPEQ, if_acmpeq, 3, OPF_BRANCH16, OPK_FAST, "RR>")                             \
    X(166, IF_ACMPNE, if_acmpne, 3, OPF_BRANCH16, OPK_FAST, "RR>")                             \
    X(167, GOTO, goto, 3, OPF_BRANCH16, OPK_FAST, ">")                                         \
    X(168, JSR, jsr, 3, OPF_BRANCH16, OPK_ILLEGAL, "*")                                        \
    X(169, RET, ret, 2, OPF_LOCAL, OPK_ILLEGAL, "*")                                           \
    X(170, TABLESWITCH, tableswitch, 0, OPF_TABLESWITCH, OPK_FAST, "*")                        \
    X(171, LOOKUPSWITCH, lookupswitch, 0, OPF_LOOKUPSWITCH, OPK_FAST, "*")                     \
    X(172, IRETURN, ireturn, 1, OPF_NONE, OPK_FAST, "I>")                                      \
    X(173, LRETURN, lreturn, 1, OPF_NONE, OPK_FAST, "J>")                                      \
    X(174, FRETURN, freturn, 1, OPF_NONE, OPK_FAST, "F>")                                      \
    X(175, DRETURN, dreturn, 1, OPF_NONE, OPK_FAST, "D>")                                      \
    X(176, ARETURN, areturn, 1, OPF_NONE, OPK_FAST, "!A>")                                     \
    X(177, RETURN, return, 1, OPF_NONE, OPK_FAST, ">")                                         \
    X(178, GETSTATIC, getstatic, 3, OPF_CP16, OPK_SLOW, "*")                                   \
    X(179, PUTSTATIC, putstatic, 3, OPF_CP16, OPK_SLOW, "*")                                   \
    X(180, GETFIELD, getfield, 3, OPF_CP16, OPK_SLOW, "*")                                     \
    X(181, PUTFIELD, putfield, 3, OPF_CP16, OPK_SLOW, "*")                                     \
    X(182, INVOKEVIRTUAL, invokevirtual, 3, OPF_CP16, OPK_SLOW, "*")                           \
    X(183, INVOKESPECIAL, invokespecial, 3, OPF_CP16, OPK_SLOW, "*")                           \
    X(184, INVOKESTATIC, invokestatic, 3, OPF_CP16, OPK_SLOW, "*")                             \
    X(185, INVOKEINTERFACE, invokeinterface, 5, OPF_INVOKEINTERFACE, OPK_SLOW, "*")            \
    X(186, XXXUNUSEDXXX, xxxunusedxxx, 1, OPF_NONE, OPK_ILLEGAL, "*")                          \
    X(187, NEW, new, 3, OPF_CP16, OPK_SLOW, "!>A")                                             \
    X(188, NEWARRAY, newarray, 2, OPF_NEWARRAY, OPK_SLOW, "!I>A")                              \
    X(189, ANEWARRAY, anewarray, 3, OPF_CP16, OPK_SLOW, "!I>A")                                \
    X(190, ARRAYLENGTH, arraylength, 1, OPF_NONE, OPK_FAST, "!A>I")                            \
    X(191, ATHROW, athrow, 1, OPF_NONE, OPK_FAST, "*")                                         \
    X(192, CHECKCAST, checkcast, 3, OPF_CP16, OPK_SLOW, "A>C")                                 \
    X(193, INSTANCEOF, instanceof, 3, OPF_CP16, OPK_SLOW, "A>I")                               \
    X(194, MONITORENTER, monitorenter, 1, OPF_NONE, OPK_FAST, "A>")                            \
    X(195, MONITOREXIT, monitorexit, 1, OPF_NONE, OPK_FAST, "A>")                              \
    X(196, WIDE, wide, 0, OPF_WIDE, OPK_SLOW, "*")                                             \
    X(197, MULTIANEWARRAY, multianewarray, 4, OPF_MULTIANEWARRAY, OPK_SLOW, "*")               \
    X(198, IFNULL, ifnull, 3, OPF_BRANCH16, OPK_FAST, "R>")                                    \
    X(199, IFNONNULL, ifnonnull, 3, OPF_BRANCH16, OPK_FAST, "R>")                              \
    X(200, GOTO_W, goto_w, 5, OPF_BRANCH32, OPK_FAST, ">")                                     \
    X(201, JSR_W, jsr_w, 5, OPF_BRANCH32, OPK_ILLEGAL, "*")                                    \
    X(202, BREAKPOINT, breakpoint, 1, OPF_NONE, OPK_FAST, ">")                                 \
    X(203, GETFIELD_QUICK, getfield_quick, 3, OPF_SLOT16, OPK_FAST, "A>I")                     \
    X(204, GETFIELDP_QUICK, getfieldp_quick, 3, OPF_SLOT16, OPK_FAST, "A>A")                   \
    X(205, GETFIELD2_QUICK, getfield2_quick, 3, OPF_SLOT16, OPK_FAST, "A>J")                   \
    X(206, PUTFIELD_QUICK, putfield_quick, 3, OPF_SLOT16, OPK_FAST, "AW>")                     \
    X(207, PUTFIELD2_QUICK, putfield2_quick, 3, OPF_SLOT16, OPK_FAST, "AJ>")                   \
    X(208, GETSTATIC_QUICK, getstatic_quick, 3, OPF_CP16, OPK_FAST, ">I")                      \
    X(209, GETSTATICP_QUICK, getstaticp_quick, 3, OPF_CP16, OPK_FAST, ">A")                    \
    X(210, GETSTATIC2_QUICK, getstatic2_quick, 3, OPF_CP16, OPK_FAST, ">J")                    \
    X(211, PUTSTATIC_QUICK, putstatic_quick, 3, OPF_CP16, OPK_FAST, "W>")                      \
    X(212, PUTSTATIC2_QUICK, putstatic2_quick, 3, OPF_CP16, OPK_FAST, "J>")                    \
    X(213, UNUSED_213, unused_213, 1, OPF_NONE, OPK_ILLEGAL, "*")                              \
    X(214, INVOKEVIRTUAL_CACHED, invokevirtual_cached, 3, OPF_IC16, OPK_FAST, "*")             \
    X(215, INVOKESPECIAL_QUICK, invokespecial_quick, 3, OPF_CP16, OPK_FAST, "*")               \
    X(216, INVOKESTATIC_QUICK, invokestatic_quick, 3, OPF_CP16, OPK_FAST, "*")                 \
    X(217, INVOKEINTERFACE_CACHED, invokeinterface_cached, 5, OPF_IC_INTERFACE, OPK_FAST, "*") \
    X(218, NEW_QUICK, new_quick, 3, OPF_CP16, OPK_FAST, ">A")                                  \
    X(219, ANEWARRAY_QUICK, anewarray_quick, 3, OPF_IC16, OPK_FAST, "I>A")                     \
    X(220, MULTIANEWARRAY_QUICK, multianewarray_quick, 4, OPF_MULTIANEWARRAY, OPK_FAST, "*")   \
    X(221, CHECKCAST_QUICK, checkcast_quick, 3, OPF_CP16, OPK_FAST, "A>A")                     \
    X(222, INSTANCEOF_QUICK, instanceof_quick, 3, OPF_CP16, OPK_FAST, "A>I")                   \
    X(223, CUSTOM_CODE, custom_code, 1, OPF_NONE, OPK_SLOW, "*")                               \
    X(224, IALOAD_LOCAL, iaload_local, 2, OPF_LOCAL4, OPK_FAST, "I>I")                         \
    X(225, AALOAD_LOCAL, aaload_local, 2, OPF_LOCAL4, OPK_FAST, "I>A")                         \
    X(226, IALOAD_LOCALS, iaload_locals, 3, OPF_LOCAL4_LOCAL4, OPK_FAST, ">I")                 \
    X(227, AALOAD_LOCALS, aaload_locals, 3, OPF_LOCAL4_LOCAL4, OPK_FAST, ">A")                 \
    X(228, ICONST0_STORE, iconst0_store, 2, OPF_LOCAL4, OPK_FAST, "*")                         \
    X(229, ICONST1_STORE, iconst1_store, 2, OPF_LOCAL4, OPK_FAST, "*")                         \
    X(230, IADD_LOCAL, iadd_local, 2, OPF_LOCAL4, OPK_FAST, ">")                               \
    X(231, IADD_CONST, iadd_const, 2, OPF_S8, OPK_FAST, ">")                                   \
    X(232, ISUB_LOCAL, isub_local, 2, OPF_LOCAL4, OPK_FAST, ">")                               \
    X(233, ISUB_CONST, isub_const, 2, OPF_S8, OPK_FAST, ">")                                   \
    X(234, GETFIELD_LOCAL0, getfield_local0, 3, OPF_ZERO_SLOT8, OPK_FAST, ">I")                \
    X(235, GETFIELDP_LOCAL0, getfieldp_local0, 3, OPF_ZERO_SLOT8, OPK_FAST, ">A")              \
    X(236, PUTFIELD_LOCAL0, putfield_local0, 4, OPF_LOCAL4_ZERO_SLOT8, OPK_FAST, ">")          \
    X(237, FILLER, filler, 2, OPF_SPARE, OPK_FAST, ">")                                        \
    X(238, IFEQ_LOCAL, ifeq_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(239, IFNE_LOCAL, ifne_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(240, IFLT_LOCAL, iflt_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(241, IFGE_LOCAL, ifge_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(242, IFGT_LOCAL, ifgt_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(243, IFLE_LOCAL, ifle_local, 4, OPF_LOCAL4_BRANCH16, OPK_FAST, ">")                      \
    X(244, IF_ICMPEQ_LOCALS, if_icmpeq_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(245, IF_ICMPNE_LOCALS, if_icmpne_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(246, IF_ICMPLT_LOCALS, if_icmplt_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(247, IF_ICMPGE_LOCALS, if_icmpge_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(248, IF_ICMPGT_LOCALS, if_icmpgt_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(249, IF_ICMPLE_LOCALS, if_icmple_locals, 5, OPF_LOCAL4_LOCAL4_BRANCH16, OPK_FAST, ">")   \
    X(250, IF_ICMPEQ_CONST, if_icmpeq_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")         \
    X(251, IF_ICMPNE_CONST, if_icmpne_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")         \
    X(252, IF_ICMPLT_CONST, if_icmplt_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")         \
    X(253, IF_ICMPGE_CONST, if_icmpge_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")         \
    X(254, IF_ICMPGT_CONST, if_icmpgt_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")         \
    X(255, IF_ICMPLE_CONST, if_icmple_const, 5, OPF_LOCAL4_S8_BRANCH16, OPK_FAST, ">")

enum Opcode : uint8_t {
#define OPCODE_ENUM(n, NAME, name, length, format, kind, stack) OP_##NAME = n,
    FOR_EACH_OPCODE(OPCODE_ENUM)
#undef OPCODE_ENUM
};

extern const OpcodeInfo OpcodeTable[256];

// The stack effect in words, for the GC-map simulation: words taken, words left and
// which of those are references (bit i: the i-th word left, deepest first). byTable is
// false for "*".
struct StackWords {
    int8_t taken;
    int8_t left;
    uint8_t references;
    bool byTable;
};

constexpr StackWords stackWordsOf(const char* effect) {
    StackWords w = {0, 0, 0, effect[0] != '*'};
    if (!w.byTable) return w;
    bool after = false;
    for (const char* p = effect[0] == '!' ? effect + 1 : effect; *p; p++) {
        char c = *p;
        if (c == '>') {
            after = true;
            continue;
        }
        bool reference = c == 'A' || c == 'R' || c == 'N' || c == 'C' || c == '[';
        int words = c == 'J' || c == 'D' ? 2 : 1;
        if (c == '[') p++;  // the element letter belongs to the array
        if (!after) {
            w.taken = (int8_t)(w.taken + words);
            continue;
        }
        for (int i = 0; i < words; i++, w.left++) {
            if (reference) w.references = (uint8_t)(w.references | (1 << w.left));
        }
    }
    return w;
}

extern const StackWords OpcodeStackWords[256];

// Length of the instruction at code (offset pc from the method start), switches and
// wide included.
int instructionLength(const uint8_t* code, uint32_t pc);
