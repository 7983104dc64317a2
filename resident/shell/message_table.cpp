// Message texts of the resident program; see message_table.h.
#include "resident/shell/message_table.h"

namespace tellurin {

const char16_t* const MessageTable[kMessageCodeCount] = {
    u"",
    u"",
    u"",
    u"Windowsのバージョンが違います。",
    u"Function Failure  (%d)",
    u"設定値の読み取りに失敗しました。",
    u"設定値が保存できません。",
    u"Window初期化に失敗しました。",
    u"スレッド作成に失敗しました。",
    u"セットアップが開始できません。",
    u"セットアップの初期化に失敗しました。",
    u"SETUP Open Failure (Main)",
    u"SETUP Open Failure (Sub)",
    u"TELLURS.DLLの版が違います。",
};

namespace {

std::u16string Decimal(std::int32_t number) {
    const std::string narrow = std::to_string(number);
    return std::u16string(narrow.begin(), narrow.end());
}

std::u16string FunctionFailureText(std::int32_t detail) {
    std::u16string text = MessageTable[MessageFunctionFailure];
    return text.replace(text.find(u"%d"), 2, Decimal(detail));
}

}  // namespace

std::u16string MessageText(std::int32_t code, std::int32_t detail) {
    if (code < 0 || code >= kMessageCodeCount) return FunctionFailureText(code);
    if (code == MessageFunctionFailure) return FunctionFailureText(detail);
    return MessageTable[code];
}

}  // namespace tellurin
