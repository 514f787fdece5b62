// Conversion of one javac class file (target 7) into a CLDC class file: version 48, a full
// StackMap per Code attribute, StringBuilder mapped to StringBuffer, javac-only attributes
// dropped, code bytes unchanged. Classes the VM cannot run are refused.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace classconv {

// Compile-only and mapped away: references become java/lang/StringBuffer.
constexpr const char* kStringBuilder = "java/lang/StringBuilder";
constexpr const char* kStringBuffer = "java/lang/StringBuffer";
// Code of this many bytes or more does not load.
constexpr size_t kMaxCodeLength = 32767;
// The most words of locals and operand stack one method's frame may take.
constexpr unsigned kMaxFrameWords = 512;

// The class a class file defines (slash form), without converting it.
bool peekClassName(const uint8_t* data, size_t size, std::string& name, std::string& error);

// Converts one class. `known` holds every class that references may name: the classes
// converted together plus the library. On refusal the message names the class and, where
// one is to blame, the method ("a/B.m(I)V: ...").
bool convertClass(const uint8_t* data, size_t size, const std::set<std::string>& known, std::vector<uint8_t>& out,
                  std::string& error);

}  // namespace classconv
