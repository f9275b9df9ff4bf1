#include "hostapi/tcm.h"

#include <cstring>

tcm::tcm(const char* fieldName) : name(nullptr) {
  if (fieldName != nullptr) {
    name = new char[std::strlen(fieldName) + 1];
    std::strcpy(name, fieldName);
  }
}

tcm::~tcm() { delete[] name; }
