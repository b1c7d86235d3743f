// Runs a program through the shell with its streams sent to files, then reads the files back;
// this needs nothing beyond the standard library.
#include "tests/support/run_program.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& Word)
{
    std::string Out = "'";
    for (char C : Word)
        Out += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Out + "'";
}

std::string ReadText(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

fs::path MakeCaptureFolder()
{
    std::random_device Seed;
    while (true) {
        fs::path Folder = fs::temp_directory_path() / ("tarnwel-run-" + std::to_string(Seed()));
        if (fs::create_directory(Folder))
            return Folder;
    }
}

} // namespace

ProgramResult RunProgram(const std::string& Program, const std::vector<std::string>& Arguments, const std::string& Input,
                         const std::vector<std::pair<std::string, std::string>>& Environment)
{
    fs::path Folder = MakeCaptureFolder();
    std::ofstream(Folder / "in", std::ios::binary) << Input;
    std::string Command;
    for (const auto& [Name, Value] : Environment)
        Command += Name + "=" + Quoted(Value) + " ";
    Command += Quoted(Program);
    for (const std::string& Argument : Arguments)
        Command += " " + Quoted(Argument);
    Command += " <" + Quoted((Folder / "in").string()) + " >" + Quoted((Folder / "out").string()) + " 2>" +
               Quoted((Folder / "err").string()) + "; echo $? >" + Quoted((Folder / "code").string());
    ProgramResult Result;
    if (std::system(Command.c_str()) == 0) {
        Result.ExitCode = std::atoi(ReadText(Folder / "code").c_str());
        Result.Out = ReadText(Folder / "out");
        Result.Err = ReadText(Folder / "err");
    }
    std::error_code Ignored;
    fs::remove_all(Folder, Ignored);
    return Result;
}

std::vector<std::string> SplitLines(const std::string& Text)
{
    std::vector<std::string> Lines;
    size_t Start = 0;
    while (Start < Text.size()) {
        size_t End = Text.find('\n', Start);
        End = End == std::string::npos ? Text.size() : End;
        Lines.push_back(Text.substr(Start, End - Start));
        Start = End + 1;
    }
    return Lines;
}
