// Walks a release directory into a sorted list of files, so that every build sees the same order
// whatever order the file system lists entries in.
#include "tools/builder/create_tree.h"

#include <algorithm>

namespace fs = std::filesystem;

namespace {

bool StoredName(const fs::path& Relative, std::string& Name, std::string& Error)
{
    Name.clear();
    for (const fs::path& Part : Relative) {
        std::string Text = Part.string();
        if (Text.find('\\') != std::string::npos) {
            Error = "\"" + Relative.string() + "\" holds a backslash in a name, which Windows cannot hold";
            return false;
        }
        Name += (Name.empty() ? "" : "\\") + Text;
    }
    return true;
}

bool AddEntry(const fs::directory_entry& Entry, const fs::path& Root, ReleaseTree& Tree, std::string& Error)
{
    std::string Name;
    if (!StoredName(Entry.path().lexically_relative(Root), Name, Error))
        return false;
    std::error_code Failure;
    fs::file_status Link = Entry.symlink_status(Failure);
    fs::file_status Target = Entry.status(Failure);
    if (fs::is_directory(Target) && fs::is_symlink(Link)) {
        Error = "\"" + Entry.path().string() + "\" is a link to a directory, which a release may not hold";
        return false;
    }
    if (fs::is_directory(Target)) {
        if (fs::is_empty(Entry.path(), Failure) && !Failure)
            Tree.EmptyDirectories.push_back(Name);
        return true;
    }
    if (!fs::is_regular_file(Target)) {
        Error = "\"" + Entry.path().string() + "\" is neither a file nor a directory";
        return false;
    }
    uintmax_t Size = fs::file_size(Entry.path(), Failure);
    if (Failure) {
        Error = "cannot read \"" + Entry.path().string() + "\": " + Failure.message();
        return false;
    }
    Tree.Files.push_back({Name, Entry.path(), Size});
    return true;
}

} // namespace

bool WalkRelease(const std::string& Root, ReleaseTree& Tree, std::string& Error)
{
    Tree = ReleaseTree();
    Tree.Root = Root;
    std::error_code Failure;
    fs::recursive_directory_iterator Walk(Root, Failure);
    for (; !Failure && Walk != fs::recursive_directory_iterator(); Walk.increment(Failure))
        if (!AddEntry(*Walk, Root, Tree, Error))
            return false;
    if (Failure) {
        Error = "cannot read the directory \"" + Root + "\": " + Failure.message();
        return false;
    }
    std::sort(Tree.Files.begin(), Tree.Files.end(),
              [](const ReleaseFile& A, const ReleaseFile& B) { return A.Name < B.Name; });
    std::sort(Tree.EmptyDirectories.begin(), Tree.EmptyDirectories.end());
    return true;
}

const ReleaseFile* FindReleaseFile(const ReleaseTree& Tree, const std::string& Name)
{
    auto Found = std::lower_bound(Tree.Files.begin(), Tree.Files.end(), Name,
                                  [](const ReleaseFile& File, const std::string& Key) { return File.Name < Key; });
    return Found != Tree.Files.end() && Found->Name == Name ? &*Found : nullptr;
}
