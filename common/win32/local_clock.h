// The local time for the editing step's time fields, from GetLocalTime: one
// clock for the receiver and the dialog's preview.
#pragma once

#include <windows.h>

#include "common/data_editing.h"

namespace tellurin {

class LocalClock final : public Clock {
public:
    LocalTime Now() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    }
};

}  // namespace tellurin
