// make-samples: writes the example images of samples/ into a folder.
//
//   make-samples DIR
//
// writes DIR/header-program.bin (a 256-word header, then the example program),
// DIR/raw-program.bin (the same program without the header) and
// DIR/odd-length.bin (five words and one odd byte). The output depends on
// nothing but this file, so the committed images can be made again byte for
// byte. Words are 16 bits, little-endian, as in every image.
//
// The example program uses every one of the 56 instruction classes at least
// once and ends with one word of no class. Its words are built here from the
// field layouts of the instruction set, with a small two-pass assembler for
// the jump targets; the tests check the result against the decoder.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Word = std::uint16_t;

// Registers a0..d7 are numbered 0..31: bank (a..d) times 8 plus the number.
// clang-format off
enum Reg : unsigned {
    a0, a1, a2, a3, a4, a5, a6, a7,
    b0, b1, b2, b3, b4, b5, b6, b7,
    c0, c1, c2, c3, c4, c5, c6, c7,
    d0, d1, d2, d3, d4, d5, d6, d7,
};
// clang-format on

// Field layouts. The register of the word's last five bits is the first
// operand in the listing.
Word Pair(Word base, Reg low, Reg high) {
    return Word(base | (high << 5) | low);
}
Word Imm(Word base, Reg low, unsigned imm) {
    return Word(base | (imm << 5) | low);
}
Word Single(Word base, Reg r) {
    return Word(base | r);
}
Word Ldr(unsigned n, unsigned addr8) {
    return Word(0x2000 | (addr8 << 3) | n);
}
Word Pr(Word base, unsigned n, Reg r) {
    return Word(base | (n << 5) | r);
}

// A program under construction: words, labels and the jumps that name them.
class Program {
  public:
    void Label(const std::string& name) {
        if (!labels_.emplace(name, words_.size()).second) {
            throw std::logic_error("label defined twice: " + name);
        }
    }
    void Emit(Word w) { words_.push_back(w); }
    // A jump (10-bit target field) to a label, resolved by Finish().
    void Jump(Word base, const std::string& label) {
        fixups_.push_back({words_.size(), label});
        words_.push_back(base);
    }
    std::size_t At(const std::string& label) const {
        auto it = labels_.find(label);
        if (it == labels_.end()) {
            throw std::logic_error("undefined label: " + label);
        }
        return it->second;
    }
    std::vector<Word> Finish() const {
        std::vector<Word> out = words_;
        for (const auto& f : fixups_) {
            std::size_t target = At(f.label);
            if (target > 0x3FF) {
                throw std::logic_error("jump target out of range: " + f.label);
            }
            out[f.at] = Word(out[f.at] | target);
        }
        return out;
    }

  private:
    struct Fixup {
        std::size_t at;
        std::string label;
    };
    std::vector<Word> words_;
    std::map<std::string, std::size_t> labels_;
    std::vector<Fixup> fixups_;
};

// Class bases (the first word of each class).
// clang-format off
enum : Word {
    MOV = 0x0400, ADD = 0x1000, SUB = 0x0C00, CMP = 0x0800,
    AND = 0x1400, OR = 0x1800, XOR = 0x1C00,
    MOVL = 0x4000, CMPL = 0x6000, ADDL = 0x3000, SUBL = 0x2C00,
    BICL = 0x2800, BICH = 0x2A00, BISL = 0x3800, BISH = 0x3A00,
    BTGL = 0x3C00, BTGH = 0x3E00, BTTL = 0x3400, BTTH = 0x3600,
    SWAP = 0x0020, NEG = 0x0040, NOT = 0x0060, SHL = 0x0080, SHR = 0x00A0,
    SHRA = 0x00C0, RLC = 0x00E0, RRC = 0x0100, ADC = 0x0120, SBC = 0x0140,
    MFPR = 0x0300, MTPR = 0x0200, PUSH = 0x0010, POP = 0x0018,
    SST = 0x0180, CST = 0x01C0,
    JSR = 0x9000, JMP = 0x8000, JS = 0xD000, JNS = 0xC000,
    JZ = 0xA000, JNZ = 0xB000, JC = 0xF000, JNC = 0xE000,
    NOP = 0x0000, WAIT = 0x0001, RST = 0x0002, IJMP = 0x0003, TOF = 0x0004,
    TDC = 0x0005, SKSP = 0x0006, IJSR = 0x0007, SLP = 0x0008,
    RTS = 0x000C, RTI = 0x000D, RTSC0 = 0x000E, RTSC1 = 0x000F,
    NOCLASS = 0x0009,  // 0009..000B belong to no class
};
// clang-format on

// The example: two vectors, a loop that adds up sixteen words, a run through
// the conditional jumps, the bit and single-register operations, a
// subroutine and an interrupt handler. What each word does to a machine is
// only suggested by its mnemonic; the point is a listing with every class.
// clang-format off
Program ExampleProgram() {
    Program p;
    p.Label("reset");
    p.Jump(JMP, "start");                 // jmp  start
    p.Label("vector");
    p.Jump(JMP, "isr");                   // jmp  isr

    p.Label("start");
    p.Emit(RST);                          // rst
    p.Emit(CST | 0b1111);                 // cst  1111b
    p.Emit(Imm(MOVL, a0, 0b00000000));    // movl a0, 00000000b   index
    p.Emit(Imm(MOVL, a1, 0b00010000));    // movl a1, 00010000b   count
    p.Emit(Imm(MOVL, b0, 0b00000000));    // movl b0, 00000000b   sum
    p.Emit(Pair(XOR, b2, b2));            // xor  b2, b2          carries
    p.Emit(Ldr(3, 0xAC));                 // ldr  #3, ACh
    p.Emit(Pr(MTPR, 5, c3));              // mtpr #5, c3
    p.Emit(Pr(MFPR, 5, c3));              // mfpr c3, #5
    p.Emit(PUSH | 6);                     // push #6

    p.Label("loop");
    p.Emit(Pair(MOV, a2, a0));            // mov  a2, a0
    p.Emit(Pair(ADD, b0, a2));            // add  b0, a2
    p.Emit(Single(ADC, b2));              // adc  b2
    p.Emit(Imm(ADDL, a0, 0b00001));       // addl a0, 00001b
    p.Emit(Pair(CMP, a0, a1));            // cmp  a0, a1
    p.Jump(JNZ, "loop");                  // jnz  loop
    p.Emit(POP | 6);                      // pop  #6

    p.Emit(Pair(SUB, b1, b0));            // sub  b1, b0
    p.Emit(Imm(SUBL, a1, 0b00001));       // subl a1, 00001b
    p.Emit(Imm(CMPL, b0, 0b11111110));    // cmpl b0, 11111110b
    p.Jump(JZ, "empty");                  // jz   empty
    p.Jump(JC, "wide");                   // jc   wide
    p.Jump(JNC, "narrow");                // jnc  narrow
    p.Label("wide");
    p.Jump(JS, "flags");                  // js   flags
    p.Label("narrow");
    p.Jump(JNS, "flags");                 // jns  flags
    p.Label("empty");
    p.Emit(Single(SBC, b1));              // sbc  b1

    p.Label("flags");
    p.Emit(Pair(AND, b1, c0));            // and  b1, c0
    p.Emit(Pair(OR, b1, c1));             // or   b1, c1
    p.Emit(Imm(BICL, b1, 0b0001));        // bicl b1, 0001b
    p.Emit(Imm(BICH, b1, 0b1000));        // bich b1, 1000b
    p.Emit(Imm(BISL, c0, 0b0011));        // bisl c0, 0011b
    p.Emit(Imm(BISH, c0, 0b0100));        // bish c0, 0100b
    p.Emit(Imm(BTGL, d7, 0b0001));        // btgl d7, 0001b
    p.Emit(Imm(BTGH, d7, 0b1111));        // btgh d7, 1111b
    p.Emit(Imm(BTTL, c2, 0b0000));        // bttl c2, 0000b
    p.Emit(Imm(BTTH, c2, 0b0111));        // btth c2, 0111b

    p.Emit(Single(SWAP, b1));             // swap b1
    p.Emit(Single(NEG, c2));              // neg  c2
    p.Emit(Single(NOT, c2));              // not  c2
    p.Emit(Single(SHL, d0));              // shl  d0
    p.Emit(Single(SHR, d0));              // shr  d0
    p.Emit(Single(SHRA, d1));             // shra d1
    p.Emit(Single(RLC, d1));              // rlc  d1
    p.Emit(Single(RRC, d1));              // rrc  d1
    p.Emit(Single(ADC, d2));              // adc  d2
    p.Emit(Single(SBC, d2));              // sbc  d2

    p.Emit(SST | 0b0101);                 // sst  0101b
    p.Jump(JSR, "sub");                   // jsr  sub
    p.Emit(TOF);                          // tof
    p.Emit(TDC);                          // tdc
    p.Emit(SKSP);                         // sksp
    p.Emit(NOP);                          // nop
    p.Emit(WAIT);                         // wait
    p.Emit(SLP);                          // slp
    p.Emit(IJMP);                         // ijmp
    p.Emit(NOCLASS);                      // a word of no class: empty listing

    p.Label("sub");
    p.Emit(IJSR);                         // ijsr
    p.Emit(RTSC0);                        // rtsc 0b
    p.Emit(RTSC1);                        // rtsc 1b
    p.Emit(RTS);                          // rts

    p.Label("isr");
    p.Emit(RTI);                          // rti
    return p;
}
// clang-format on

// The 256 header words: nothing reads them, but they look the part. Words
// 0-7 a name in ASCII, 8 a format number, 9 the program's length in words,
// 10 its load address, 11 its entry, 12 the sum of its words modulo 65536,
// 16-19 its vectors; every other word is FFFFh, like erased memory.
std::vector<Word> Header(const Program& program, const std::vector<Word>& words) {
    std::vector<Word> h(256, 0xFFFF);
    const char name[] = "SORREL EXAMPLE  ";  // 16 characters
    for (int i = 0; i < 8; ++i) {
        h[i] = Word(static_cast<unsigned char>(name[2 * i]) |
                    (static_cast<unsigned char>(name[2 * i + 1]) << 8));
    }
    unsigned sum = 0;
    for (Word w : words) {
        sum = (sum + w) & 0xFFFF;
    }
    h[8] = 0x0001;
    h[9] = Word(words.size());
    h[10] = 0x0000;
    h[11] = Word(program.At("start"));
    h[12] = Word(sum);
    h[13] = 0x0000;
    h[14] = 0x0000;
    h[15] = 0x0000;
    h[16] = Word(program.At("reset"));
    h[17] = Word(program.At("vector"));
    h[18] = Word(program.At("isr"));
    h[19] = Word(program.At("sub"));
    return h;
}

std::vector<unsigned char> Bytes(const std::vector<Word>& words) {
    std::vector<unsigned char> out;
    out.reserve(words.size() * 2);
    for (Word w : words) {
        out.push_back(static_cast<unsigned char>(w & 0xFF));
        out.push_back(static_cast<unsigned char>(w >> 8));
    }
    return out;
}

void Write(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: make-samples DIR\n");
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);

        const Program program = ExampleProgram();
        const std::vector<Word> words = program.Finish();
        std::vector<Word> image = Header(program, words);
        image.insert(image.end(), words.begin(), words.end());

        // A short raw program and a last byte that belongs to no word.
        std::vector<unsigned char> odd = Bytes({
            WAIT,
            Imm(MOVL, a0, 0b00000001),
            Imm(ADDL, a0, 0b00001),
            Pair(ADD, d1, b5),
            JMP | 0x0001,
        });
        odd.push_back(0xA5);

        Write(dir / "header-program.bin", Bytes(image));
        Write(dir / "raw-program.bin", Bytes(words));
        Write(dir / "odd-length.bin", odd);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
