// The interpreter: the VM-wide registers, the fast dispatch loop over prepared
// bytecode, its entry under a catch frame, and the wait for events when no thread can run.
#pragma once

#include "platform/vmsections.h"
#include "vm/core/records.h"

// The registers of the running thread; saved into its ThreadRecord at every switch.
struct InterpRegisters {
    uint8_t* ip;        // next bytecode
    cell* sp;           // topmost operand-stack word
    cell* locals;       // local variable 0
    FrameRecord* fp;    // current frame
    CpEntry* cp;        // constant pool of the current method's class
    int32_t timeSlice;  // passes left before the next reschedule
};
extern VMBSS InterpRegisters Regs;

// Holds the receiver across frame pushes and the thrown object while athrow unwinds;
// a temporary root while Interpret runs.
extern VMBSS OBJECT ReceiverCell;

void interpretEntry();
// Prepares a method before its first run (a native, abstract or prepared one needs
// none), keeping the receiver, which may move, up to date.
void prepareForInvoke(MethodRecord* m, OBJECT* receiver);
// A new instance, registered for its class's cleanup function if it has one.
OBJECT instantiateRegistered(ClassRecord* clazz);
void Interpret();
// Executes the instructions the fast loop leaves to it, with ip at the instruction
// and the registers stored; returns with ip and sp in the registers.
void SlowInterpret(int opcode);
// Blocks until an event arrives or delay milliseconds pass (0: no timer is due).
void vmWaitForEvents(uint64_t delay);

// Calls method m for receiver r (the class of a static method) from the instruction
// of length n at ip: the invocation of both interpreters. Registers must be stored.
void invokeMethodFromRegisters(MethodRecord* m, OBJECT receiver, int n);

inline CpEntry* constantPoolOf(MethodRecord* m) { return m->ofClass->constPool->entries; }
