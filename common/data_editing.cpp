// The editing step; see data_editing.h. The text being edited is kept as one
// string with its keys beside it by position, the same shape as the result,
// so every stage (a replacement, the split) is one pass that copies the text
// into a second buffer; no stage allocates per character.
#include "common/data_editing.h"

#include <utility>

namespace tellurin {
namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
// What typing leaves out; see TypeFrame.
bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

bool HasKey(KeyChord chord) { return (chord & kChordKeyMask) != 0; }

// The unit after the character at index (a pair is one character).
std::size_t NextCharacter(std::u16string_view text, std::size_t index) {
    if (IsHighSurrogate(text[index]) && index + 1 < text.size() && IsLowSurrogate(text[index + 1])) return index + 2;
    return index + 1;
}

std::size_t PreviousCharacter(std::u16string_view text, std::size_t index) {
    if (index >= 2 && IsLowSurrogate(text[index - 1]) && IsHighSurrogate(text[index - 2])) return index - 2;
    return index - 1;
}

std::size_t CountCharacters(std::u16string_view text) {
    std::size_t count = 0;
    for (std::size_t index = 0; index < text.size(); index = NextCharacter(text, index)) ++count;
    return count;
}

// From begin, so many characters on, stopping at end.
std::size_t SkipForward(std::u16string_view text, std::size_t begin, std::size_t end, std::size_t characters) {
    for (; characters > 0 && begin < end; --characters) begin = NextCharacter(text.substr(0, end), begin);
    return begin;
}

std::size_t SkipBackward(std::u16string_view text, std::size_t begin, std::size_t end, std::size_t characters) {
    for (; characters > 0 && end > begin; --characters) end = PreviousCharacter(text, end);
    return end < begin ? begin : end;
}

// A rule's text as typed: a tab becomes the Tab key, CR LF, CR or LF one
// Enter key; any other character stays text.
template <typename AddText, typename AddKey>
void SplitKeys(std::u16string_view text, AddText addText, AddKey addKey) {
    std::size_t runStart = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char16_t unit = text[index];
        if (unit != u'\t' && unit != u'\r' && unit != u'\n') continue;
        addText(text.substr(runStart, index - runStart));
        addKey(unit == u'\t' ? kTabKeyChord : kEnterKeyChord);
        if (unit == u'\r' && index + 1 < text.size() && text[index + 1] == u'\n') ++index;
        runStart = index + 1;
    }
    addText(text.substr(runStart));
}

KeyedText KeyedRuleText(std::u16string_view text) {
    KeyedText keyed;
    SplitKeys(
        text, [&](std::u16string_view run) { keyed.Text += run; },
        [&](KeyChord chord) {
            keyed.Keys.push_back(PlacedKey{static_cast<std::uint32_t>(keyed.Text.size()), chord});
        });
    return keyed;
}

std::vector<AffixPart> AffixParts(const ExpandedRuleText& expanded) {
    std::vector<AffixPart> parts;
    const auto addText = [&](std::u16string_view run) {
        if (!run.empty()) parts.push_back(AffixPart{AffixPart::Kind::Text, std::u16string(run), 0, {}});
    };
    const auto addKey = [&](KeyChord chord) { parts.push_back(AffixPart{AffixPart::Kind::Key, {}, chord, {}}); };
    std::size_t position = 0;
    for (const TimeFieldAt& field : expanded.TimeFields) {
        SplitKeys(std::u16string_view(expanded.Text).substr(position, field.Position - position), addText, addKey);
        parts.push_back(AffixPart{AffixPart::Kind::Time, {}, 0, field.Field});
        position = field.Position;
    }
    SplitKeys(std::u16string_view(expanded.Text).substr(position), addText, addKey);
    return parts;
}

void AppendTwoDigits(std::u16string& text, unsigned value) {
    text += static_cast<char16_t>(u'0' + value / 10 % 10);
    text += static_cast<char16_t>(u'0' + value % 10);
}

void AppendTime(std::u16string& text, TimeField field, const LocalTime& time) {
    switch (field) {
        case TimeField::Year:
            AppendTwoDigits(text, time.Year / 100u);
            AppendTwoDigits(text, time.Year % 100u);
            return;
        case TimeField::YearOfCentury: AppendTwoDigits(text, time.Year % 100u); return;
        case TimeField::Month: AppendTwoDigits(text, time.Month); return;
        case TimeField::Day: AppendTwoDigits(text, time.Day); return;
        case TimeField::Hour: AppendTwoDigits(text, time.Hour); return;
        case TimeField::Minute: AppendTwoDigits(text, time.Minute); return;
        case TimeField::Second: AppendTwoDigits(text, time.Second); return;
    }
}

void AppendAffix(KeyedText& out, const std::vector<AffixPart>& parts, const LocalTime& time) {
    for (const AffixPart& part : parts) {
        switch (part.PartKind) {
            case AffixPart::Kind::Text: out.Text += part.Text; break;
            case AffixPart::Kind::Key:
                out.Keys.push_back(PlacedKey{static_cast<std::uint32_t>(out.Text.size()), part.Chord});
                break;
            case AffixPart::Kind::Time: AppendTime(out.Text, part.Field, time); break;
        }
    }
}

void AppendKeyed(KeyedText& out, const KeyedText& piece) {
    const auto offset = static_cast<std::uint32_t>(out.Text.size());
    for (const PlacedKey& key : piece.Keys) out.Keys.push_back(PlacedKey{key.Position + offset, key.Chord});
    out.Text += piece.Text;
}

// Every match of find in from, left to right and not overlapping, replaced by
// with, into to. A match with a key inside it (between two of its units) is
// no match. False, with to untouched, when there is none.
bool ReplaceAll(const KeyedText& from, std::u16string_view find, const KeyedText& with, KeyedText& to) {
    const std::u16string_view text = from.Text;
    std::size_t match = text.find(find);
    if (match == std::u16string_view::npos) return false;
    to.Text.clear();
    to.Keys.clear();
    std::size_t copied = 0;  // units of from already in to
    std::size_t key = 0;     // keys of from already in to
    const auto copyUpTo = [&](std::size_t end) {
        const auto shift = static_cast<std::uint32_t>(to.Text.size() - copied);
        for (; key < from.Keys.size() && from.Keys[key].Position <= end; ++key)
            to.Keys.push_back(PlacedKey{from.Keys[key].Position + shift, from.Keys[key].Chord});
        to.Text.append(text.substr(copied, end - copied));
        copied = end;
    };
    bool replaced = false;
    for (; match != std::u16string_view::npos; match = text.find(find, copied + (replaced ? 0 : 1))) {
        copyUpTo(match);
        replaced = key == from.Keys.size() || from.Keys[key].Position >= match + find.size();
        if (!replaced) continue;
        AppendKeyed(to, with);
        copied = match + find.size();
    }
    // Keys after the last match come after the text before them.
    const auto shift = static_cast<std::uint32_t>(to.Text.size() - copied);
    for (; key < from.Keys.size(); ++key)
        to.Keys.push_back(PlacedKey{from.Keys[key].Position + shift, from.Keys[key].Chord});
    to.Text.append(text.substr(copied));
    return true;
}

// Drops the control characters in place, keeping each key before the
// character it stood before.
void DropControlCharacters(KeyedText& keyed) {
    std::size_t kept = 0;
    std::size_t key = 0;
    for (std::size_t index = 0; index < keyed.Text.size(); ++index) {
        for (; key < keyed.Keys.size() && keyed.Keys[key].Position <= index; ++key)
            keyed.Keys[key].Position = static_cast<std::uint32_t>(kept);
        if (!IsControl(keyed.Text[index])) keyed.Text[kept++] = keyed.Text[index];
    }
    for (; key < keyed.Keys.size(); ++key) keyed.Keys[key].Position = static_cast<std::uint32_t>(kept);
    keyed.Text.resize(kept);
}

std::uint16_t ValidNumber(std::uint16_t number, bool& valid) {
    if (number <= kEditNumberLimit) return number;
    valid = false;
    return 0;
}

// The text's expansion, or an empty one (the default) when it is not valid.
ExpandedRuleText Expanded(std::u16string_view stored, RuleTextKind kind, bool& valid) {
    ExpandedRuleText expanded;
    if (!ExpandRuleText(stored, kind, &expanded)) {
        valid = false;
        expanded = ExpandedRuleText{};
    }
    return expanded;
}

}  // namespace

bool PrepareEditing(const EditRules& rules, EditPlan& plan) {
    bool valid = true;
    plan.LengthMin = ValidNumber(rules.LengthMin, valid);
    plan.LengthMax = ValidNumber(rules.LengthMax, valid);
    plan.CutHead = ValidNumber(rules.CutHead, valid);
    plan.CutTail = ValidNumber(rules.CutTail, valid);
    plan.ExtractStart = ValidNumber(rules.ExtractStart, valid);
    plan.ExtractLength = ValidNumber(rules.ExtractLength, valid);
    for (std::size_t index = 0; index < kReplacementCount; ++index) {
        plan.Find[index] = Expanded(RuleText(rules.Find[index]), RuleTextKind::Find, valid).Text;
        plan.With[index] = KeyedRuleText(Expanded(RuleText(rules.With[index]), RuleTextKind::With, valid).Text);
    }
    plan.FieldSeparator = Expanded(RuleText(rules.FieldSeparator), RuleTextKind::FieldSeparator, valid).Text;
    KeyChord fieldKey = rules.FieldKey;
    if ((fieldKey & 0x8000) != 0) {
        valid = false;
        fieldKey = kDefaultEditRules.FieldKey;
    }
    plan.FieldKeyText = KeyedText{};
    if (HasKey(fieldKey)) plan.FieldKeyText.Keys.push_back(PlacedKey{0, fieldKey});
    const ExpandedRuleText prefix = Expanded(RuleText(rules.Prefix), RuleTextKind::Affix, valid);
    const ExpandedRuleText suffix = Expanded(RuleText(rules.Suffix), RuleTextKind::Affix, valid);
    plan.Prefix = AffixParts(prefix);
    plan.Suffix = AffixParts(suffix);
    plan.UsesTime = !prefix.TimeFields.empty() || !suffix.TimeFields.empty();
    return valid;
}

void EditFrame(std::u16string_view frameText, const EditPlan& plan, Clock& clock, EditedFrame& edited) {
    edited.BadLength = false;
    KeyedText& out = edited.Typed;
    out.Text.clear();
    out.Keys.clear();

    if (plan.LengthMin != 0 || plan.LengthMax != 0) {
        const std::size_t length = CountCharacters(frameText);
        if ((plan.LengthMin != 0 && length < plan.LengthMin) || (plan.LengthMax != 0 && length > plan.LengthMax)) {
            edited.BadLength = true;
            return;
        }
    }

    std::size_t begin = SkipForward(frameText, 0, frameText.size(), plan.CutHead);
    std::size_t end = SkipBackward(frameText, begin, frameText.size(), plan.CutTail);
    if (plan.ExtractStart != 0) {
        begin = SkipForward(frameText, begin, end, plan.ExtractStart - 1u);
        if (plan.ExtractLength != 0) end = SkipForward(frameText, begin, end, plan.ExtractLength);
    }

    // Two buffers that the stages pass between them.
    KeyedText work{std::u16string(frameText.substr(begin, end - begin)), {}};
    KeyedText spare;
    spare.Text.reserve(work.Text.size());
    for (std::size_t index = 0; index < kReplacementCount; ++index) {
        if (plan.Find[index].empty()) continue;
        if (ReplaceAll(work, plan.Find[index], plan.With[index], spare)) std::swap(work, spare);
    }
    if (!plan.FieldSeparator.empty() && ReplaceAll(work, plan.FieldSeparator, plan.FieldKeyText, spare))
        std::swap(work, spare);

    const LocalTime time = plan.UsesTime ? clock.Now() : LocalTime{};
    AppendAffix(out, plan.Prefix, time);
    AppendKeyed(out, work);
    AppendAffix(out, plan.Suffix, time);
    DropControlCharacters(out);
}

void EditFrame(std::u16string_view frameText, const EditRules& rules, Clock& clock, EditedFrame& edited) {
    EditPlan plan;
    (void)PrepareEditing(rules, plan);
    EditFrame(frameText, plan, clock, edited);
}

}  // namespace tellurin
