#pragma once
// Letter case as the program compares names: only ASCII letters fold, to upper case; every other
// byte stands for itself, whatever the names' encoding.
namespace pelimor {

constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace pelimor
