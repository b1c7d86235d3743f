// Variants for record-pass fixtures: deltas made through the command encoder.
#include "tests/support/delta_fixtures.h"

#include <gtest/gtest.h>

#include "tests/support/scratch.h"
#include "tools/writer/command_encoder.h"

VariantSpec LiteralVariant(const std::string& Name, const std::vector<uint8_t>& Old, const std::vector<uint8_t>& Next)
{
    DeltaSettings Settings;
    Settings.BaseSize = (int32_t)Old.size();
    Settings.ResultSize = (int32_t)Next.size();
    std::vector<DeltaCommand> Commands;
    if (!Next.empty()) {
        DeltaCommand Literal;
        Literal.Kind = CommandKind::Literal;
        Literal.Length = (int32_t)Next.size();
        Literal.Bytes = Next;
        Literal.PlainPieces.assign(LiteralPieceSizes(Literal.Length, Settings.BlockSize).size(), true);
        Commands.push_back(Literal);
    }
    EncodedDelta Encoded;
    std::string Error;
    EXPECT_TRUE(EncodeCommands(Commands, Settings, Encoded, Error)) << Error;
    VariantSpec Variant;
    Variant.Name = Name;
    Variant.OldCrc = StoredCrc(Old);
    Variant.OldSize = (int32_t)Old.size();
    for (int K = 0; K < SubStreamCount; K++)
        Variant.Streams[K] = Encoded.SubStreams[K];
    Variant.LengthReuse = Settings.LengthReuse;
    Variant.VariantFlags = Settings.VariantFlags;
    Variant.BlockSize = Settings.BlockSize;
    return Variant;
}

RecordSpec ChainRecord(const std::string& Name, const std::vector<std::vector<uint8_t>>& Versions, uint32_t NewTime)
{
    RecordSpec Record;
    Record.Patched.Name = Name;
    Record.Patched.NewCrc = StoredCrc(Versions.back());
    Record.Patched.NewSize = (int32_t)Versions.back().size();
    Record.Patched.NewTime = NewTime;
    for (size_t I = 0; I + 1 < Versions.size(); I++)
        Record.Patched.Variants.push_back(LiteralVariant("", Versions[I], Versions[I + 1]));
    return Record;
}
