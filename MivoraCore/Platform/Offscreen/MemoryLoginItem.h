#pragma once

#include "Platform/LoginItem.h"

namespace mivora {

// A login item held in this process's memory: registering changes nothing on the desktop.
class MemoryLoginItem final : public LoginItem {
public:
    bool registered = false;

    Status status() const override { return registered ? Status::enabled : Status::notRegistered; }
    void registerItem() override { registered = true; }
    void unregisterItem() override { registered = false; }
};

} // namespace mivora
