#include "word_fields.h"

#include <utility>

namespace sorrel {
namespace {

// The bits high down to low of word as "0" and "1".
void AppendBits(std::string& out, unsigned word, unsigned high, unsigned low) {
    for (unsigned bit = high + 1; bit-- > low;) {
        out += static_cast<char>('0' + ((word >> bit) & 1));
    }
}

// "Биты 4–0 (11001)" or "Бит 0 (1)".
std::string BitsLine(const WordField& field, unsigned word) {
    std::string out = field.width() == 1
                          ? "Бит " + std::to_string(field.low)
                          : "Биты " + std::to_string(field.high) + "–" + std::to_string(field.low);
    out += " (";
    AppendBits(out, word, field.high, field.low);
    out += ")";
    return out;
}

}  // namespace

std::string_view FieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::Register:
            return "регистр";
        case FieldKind::Bits:
            return "биты";
        case FieldKind::Number:
        case FieldKind::Decimal:
            return "число";
        case FieldKind::Hex2:
            return "байт";
        case FieldKind::Hex4:
            return "адрес перехода";
    }
    return {};
}

WordFields FieldsOfWord(std::uint16_t word) {
    WordFields out;
    out.word = word;
    out.cls = ClassOfWord(word);
    if (out.cls == NoClass) {
        return out;
    }
    const InstructionEntry& entry = InstructionTable[static_cast<std::size_t>(out.cls)];
    out.pattern = entry.pattern;
    out.mnemonic = entry.mnemonic;
    const int operandBits = 16 - static_cast<int>(entry.pattern.size());
    if (operandBits == 0) {
        return out;  // its layout shows nothing
    }
    for (const OperandField& field : entry.operands) {
        const FieldBits bits = BitsOfField(field, operandBits);
        WordField& f = out.fields[out.count++];
        f.kind = field.kind;
        f.low = bits.shift;
        f.high = bits.shift + bits.width - 1;
        f.value = ValueOfField(word, bits);
        f.shown = OperandFieldText(field.kind, f.value, bits.width);
        f.kindName = FieldKindName(field.kind);
    }
    return out;
}

std::string BitsApart(const WordFields& fields) {
    std::string out;
    if (!fields.hasClass()) {
        AppendBits(out, fields.word, 15, 0);
        return out;
    }
    out = fields.pattern;
    // At most two fields: the higher one first.
    std::array<const WordField*, 2> inBitOrder{&fields.fields[0], &fields.fields[1]};
    if (fields.count == 2 && inBitOrder[1]->high > inBitOrder[0]->high) {
        std::swap(inBitOrder[0], inBitOrder[1]);
    }
    for (std::size_t i = 0; i < fields.count; ++i) {
        out += ' ';
        AppendBits(out, fields.word, inBitOrder[i]->high, inBitOrder[i]->low);
    }
    return out;
}

std::string WordToolTip(std::uint16_t word) {
    const WordFields fields = FieldsOfWord(word);
    std::string out = BitsApart(fields);
    if (!fields.hasClass()) {
        out += "\nСлово не относится ни к одному классу инструкций.";
        return out;
    }
    std::string_view mnemonic = fields.mnemonic;
    while (mnemonic.ends_with(' ')) {
        mnemonic.remove_suffix(1);
    }
    out += "\nШаблон ";
    out += fields.pattern;
    out += ": ";
    out += mnemonic;
    if (fields.count == 0) {
        out += "\nОперандов нет.";
    }
    for (const WordField& field : fields) {
        out += '\n';
        out += BitsLine(field, word);
        out += ": ";
        out += field.kindName;
        out += ' ';
        out += field.shown.view();
    }
    return out;
}

}  // namespace sorrel
