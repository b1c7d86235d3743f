// Seeded round trips: a random target is built from random old data, described as commands,
// encoded, and rebuilt by the decoder, which must give the target back.
#include <gtest/gtest.h>

#include <random>

#include "core/applier_state.h"
#include "tests/support/decoder_harness.h"
#include "tests/support/scratch.h"

// Sizes of one kind of round trip.
struct RoundTripProfile {
    const char* Name;
    uint32_t FirstSeed;
    int Trips;
    size_t MaxOld;
    size_t MaxTarget;
    int32_t MaxCopy;
    int32_t MaxLiteral;
};

// Builds the target and its commands side by side. The target's bytes are chosen first, by
// slicing the old data or the target itself or at random; only then are the command fields
// worked out that should produce them: offsets from the previous copy, tail and literal
// differences from the bytes of the combined source underneath.
struct TargetBuilder {
    std::mt19937 Random;
    RoundTripProfile Profile;
    std::vector<uint8_t> Old;
    std::vector<uint8_t> Target;
    std::vector<DeltaCommand> Commands;
    DeltaSettings Settings;
    int32_t CopyPosition = 0;
    int32_t CopyLength = 0;
    int32_t DeltaLength = 0;
    int32_t ReuseCounter = 0;

    int32_t Pick(int32_t Low, int32_t High) // inclusive
    {
        return std::uniform_int_distribution<int32_t>(Low, High)(Random);
    }

    int32_t BaseSize() const
    {
        return (int32_t)Old.size();
    }

    // The widest number the final range is sure to allow; the target only grows from here.
    int64_t LargestNumber() const
    {
        DeltaSettings Now = Settings;
        Now.ResultSize = (int32_t)Target.size();
        int32_t Range = NumberRangeOf(Now);
        return Range > 16777215 ? INT32_MAX : Range > 65535 ? 16777215 : Range > 255 ? 65535 : 255;
    }

    // Byte Position of the combined source as the decoder would see it when it has produced
    // Produced bytes of output; false when that byte does not exist for the file in use.
    bool SourceByte(int64_t Position, size_t Produced, uint8_t& Byte) const
    {
        if (CopyPosition < BaseSize()) {
            if (Position < 0 || Position >= BaseSize())
                return false;
            Byte = Old[Position];
            return true;
        }
        int64_t Offset = Position - BaseSize();
        if (Offset < 0 || Offset >= (int64_t)Produced)
            return false;
        Byte = Target[Offset];
        return true;
    }

    std::vector<uint8_t> RandomBytes(int32_t Count)
    {
        std::vector<uint8_t> Bytes(Count);
        for (uint8_t& Byte : Bytes)
            Byte = (uint8_t)Random();
        return Bytes;
    }

    // Chooses where a copy reads and appends its bytes to the target; false when none fits.
    bool ChooseCopy(int32_t& Position, int32_t& Length)
    {
        int32_t MaxLength = (int32_t)std::min<int64_t>(Profile.MaxCopy, LargestNumber());
        if (Pick(0, 2) > 0 && !Old.empty()) {
            Position = Pick(0, BaseSize() - 1);
            Length = Pick(1, std::min(MaxLength, BaseSize() - Position));
            Target.insert(Target.end(), Old.begin() + Position, Old.begin() + Position + Length);
            return true;
        }
        if (Target.empty())
            return false;
        int32_t Offset = Pick(0, (int32_t)Target.size() - 1);
        int32_t Distance = (int32_t)Target.size() - Offset;
        // Each byte repeats the one Distance back, which must exist for the first 1000 bytes.
        Length = Pick(1, Distance < 1000 ? std::min(Distance, MaxLength) : MaxLength);
        for (int32_t I = 0; I < Length; I++)
            Target.push_back(Target[Offset + I]);
        Position = BaseSize() + Offset;
        return true;
    }

    void AddCopy()
    {
        size_t Before = Target.size();
        int32_t Position = 0, Length = 0;
        if (!ChooseCopy(Position, Length))
            return;
        int64_t Offset = (int64_t)Position - CopyPosition - CopyLength;
        if (std::llabs(Offset) > LargestNumber()) {
            Target.resize(Before);
            return;
        }
        int32_t SavedPosition = CopyPosition;
        CopyPosition = Position;
        int32_t TailLength = ReuseCounter == 0 ? Pick(0, 12) : DeltaLength;
        std::vector<uint8_t> Tail;
        const size_t Produced = Target.size(); // the tail's source is read before it is written
        for (int32_t I = 0; I < TailLength; I++) {
            uint8_t Source = 0;
            if (!SourceByte((int64_t)Position + Length + I, Produced, Source)) {
                // No source for this tail: give the copy up and try something else.
                CopyPosition = SavedPosition;
                Target.resize(Before);
                return;
            }
            uint8_t Wanted = Pick(0, 3) == 0 ? (uint8_t)Random() : (uint8_t)(Source + Pick(-2, 2));
            Tail.push_back((Settings.VariantFlags & 0x02) ? Wanted : (uint8_t)(Wanted - Source));
            Target.push_back(Wanted);
        }
        if (ReuseCounter == 0) {
            DeltaLength = TailLength;
            ReuseCounter = Settings.LengthReuse;
        }
        ReuseCounter--;
        CopyLength = Length;
        Commands.push_back(Copy(Length, (int32_t)Offset, Tail));
    }

    void AddLiteral()
    {
        int32_t Total = (int32_t)std::min<int64_t>(Pick(1, Profile.MaxLiteral), LargestNumber());
        std::vector<uint8_t> Wanted = RandomBytes(Total);
        std::vector<uint8_t> Bytes;
        std::vector<bool> Plain;
        int64_t SourceStart = (int64_t)CopyPosition + CopyLength + DeltaLength;
        int32_t Done = 0;
        for (int32_t Piece : LiteralPieceSizes(Total, Settings.BlockSize)) {
            std::vector<uint8_t> Source(Piece);
            bool Added = Pick(0, 1) == 0;
            for (int32_t I = 0; I < Piece && Added; I++)
                Added = SourceByte(SourceStart + Done + I, Target.size(), Source[I]);
            for (int32_t I = 0; I < Piece; I++) {
                Bytes.push_back(Added ? (uint8_t)(Wanted[Done + I] - Source[I]) : Wanted[Done + I]);
                Target.push_back(Wanted[Done + I]);
            }
            Plain.push_back(!Added);
            Done += Piece;
        }
        Commands.push_back(Literal(Bytes, Plain));
    }

    void AddSkip()
    {
        ReuseCounter--;
        Commands.push_back(Skip());
    }

    void Build(uint32_t Seed)
    {
        Random.seed(Seed);
        Old = RandomBytes(Pick(0, (int32_t)Profile.MaxOld));
        const uint16_t Reuses[] = {0, 1, 2, 3, 7};
        const uint8_t BlockSizes[] = {1, 2, 3, 17, 255};
        Settings.BaseSize = BaseSize();
        Settings.LengthReuse = Reuses[Pick(0, 4)];
        Settings.VariantFlags = (uint8_t)Pick(0, 3);
        Settings.BlockSize = BlockSizes[Pick(0, 4)];
        size_t Goal = Pick(0, (int32_t)Profile.MaxTarget);
        while (Target.size() < Goal) {
            int Kind = Pick(0, 9);
            if (Kind < 6)
                AddCopy();
            else if (Kind < 9)
                AddLiteral();
            else
                AddSkip();
        }
        Settings.ResultSize = (int32_t)Target.size();
    }
};

static void PrintTo(const RoundTripProfile& Profile, std::ostream* Out)
{
    *Out << Profile.Name;
}

class RoundTrips : public ReconstructTest, public ::testing::WithParamInterface<RoundTripProfile> {};

TEST_P(RoundTrips, RebuildTheTarget)
{
    const RoundTripProfile& Profile = GetParam();
    for (int Trip = 0; Trip < Profile.Trips; Trip++) {
        uint32_t Seed = Profile.FirstSeed + Trip;
        SCOPED_TRACE("seed " + std::to_string(Seed));
        TargetBuilder Builder;
        Builder.Profile = Profile;
        Builder.Build(Seed);
        DecoderCase Case = CaseFromCommands(Builder.Old, Builder.Commands, Builder.Settings);
        DecoderOutcome Outcome = Run(Case);
        ASSERT_EQ(Outcome.Message, -1) << Outcome.AbortText;
        ASSERT_TRUE(Outcome.Result);
        ASSERT_EQ(Outcome.Output, Builder.Target) << Builder.Commands.size() << " commands";
        ASSERT_EQ(Outcome.PositionAfter, Outcome.PayloadEnd);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeded, RoundTrips,
                         ::testing::Values(RoundTripProfile{"Small", 1000, 16, 3000, 20000, 150, 120},
                                           RoundTripProfile{"Large", 5000, 4, 150000, 300000, 90000, 3000},
                                           // short copies hopping over an old file larger than
                                           // the read cache, so cached blocks get replaced
                                           RoundTripProfile{"Scattered", 9000, 3, 1500000, 200000, 40, 30}),
                         [](const auto& Info) { return std::string(Info.param.Name); });
