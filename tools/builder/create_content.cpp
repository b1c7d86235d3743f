// Reads, compares and checksums release files in pieces, so that comparing large releases does
// not hold whole files in memory.
#include "tools/builder/create_content.h"

#include <fstream>

#include "apply/checksum.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t PieceSize = 1 << 16;

std::string CannotRead(const fs::path& Path)
{
    return "cannot read \"" + Path.string() + "\"";
}

bool InWindow(uint64_t Position, const CrcWindowSpec& Window)
{
    return Window.Length != 0 && Position >= (uint64_t)Window.Start &&
           Position < (uint64_t)Window.Start + (uint64_t)Window.Length;
}

// Reads the next piece; Count is 0 at the end of the file.
bool ReadPiece(std::ifstream& In, std::vector<char>& Piece, size_t& Count)
{
    In.read(Piece.data(), (std::streamsize)Piece.size());
    Count = (size_t)In.gcount();
    return !In.bad();
}

} // namespace

bool ReadWholeFile(const fs::path& Path, std::vector<uint8_t>& Bytes, std::string& Error)
{
    std::ifstream In(Path, std::ios::binary);
    std::error_code Failure;
    uintmax_t Size = fs::file_size(Path, Failure);
    if (!In || Failure) {
        Error = CannotRead(Path);
        return false;
    }
    Bytes.resize((size_t)Size);
    if (!In.read((char*)Bytes.data(), (std::streamsize)Size) || In.peek() != std::char_traits<char>::eof()) {
        Error = CannotRead(Path) + " (it changed while being read)";
        return false;
    }
    return true;
}

bool CompareOutsideWindow(const fs::path& A, const fs::path& B, const CrcWindowSpec& Window, bool& Same,
                          std::string& Error)
{
    std::error_code FailureA, FailureB;
    Same = fs::file_size(A, FailureA) == fs::file_size(B, FailureB);
    if (FailureA || FailureB) {
        Error = CannotRead(A) + " or \"" + B.string() + "\"";
        return false;
    }
    std::ifstream InA(A, std::ios::binary), InB(B, std::ios::binary);
    std::vector<char> PieceA(PieceSize), PieceB(PieceSize);
    uint64_t Position = 0;
    bool Opened = InA.is_open() && InB.is_open();
    while (Same) {
        size_t CountA = 0, CountB = 0;
        if (!Opened || !ReadPiece(InA, PieceA, CountA) || !ReadPiece(InB, PieceB, CountB)) {
            Error = CannotRead(A) + " or \"" + B.string() + "\"";
            return false;
        }
        Same = CountA == CountB;
        for (size_t i = 0; Same && i < CountA; i++)
            Same = PieceA[i] == PieceB[i] || InWindow(Position + i, Window);
        if (CountA == 0)
            break;
        Position += CountA;
    }
    return true;
}

bool StoredCrcOfFile(const fs::path& Path, const CrcWindowSpec& Window, uint32_t& Crc, std::string& Error)
{
    std::ifstream In(Path, std::ios::binary);
    std::vector<char> Piece(PieceSize);
    uint64_t Position = 0;
    Crc = 0xFFFFFFFF;
    while (true) {
        size_t Count = 0;
        if (!In.is_open() || !ReadPiece(In, Piece, Count)) {
            Error = CannotRead(Path);
            return false;
        }
        if (Count == 0)
            return true;
        size_t Start = 0;
        for (size_t i = 0; i <= Count; i++)
            if (i == Count || InWindow(Position + i, Window)) {
                Crc = CrcUpdate(Crc, (const uint8_t*)Piece.data() + Start, (int32_t)(i - Start));
                Start = i + 1;
            }
        Position += Count;
    }
}
