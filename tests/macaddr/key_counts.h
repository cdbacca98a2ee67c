// How many key handles a piece of code opened and closed.
#pragma once

#include <cstdint>

#include "platform/registry/registry.h"

class KeyCounts {
 public:
  KeyCounts() : start_(lorvane::registry::Handles()) {}
  std::uint64_t opened() const { return lorvane::registry::Handles().opened - start_.opened; }
  std::uint64_t closed() const { return lorvane::registry::Handles().closeCalls - start_.closeCalls; }

 private:
  lorvane::registry::HandleCounts start_;
};
