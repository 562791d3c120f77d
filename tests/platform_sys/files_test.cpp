// Device paths onto the root, the file functions and the program's stdio wrappers.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "platform/harness.h"
#include "tests/platform_sys/sys_test_root.h"

namespace {

std::string Host(const wchar_t* device, bool forCreate = false) {
  std::string out;
  return vplat::DeviceToHostPath(device, &out, forCreate) ? out : std::string("<fail>");
}

std::vector<std::wstring> List(const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(pattern, &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(fd.cFileName);
  while (FindNextFileW(h, &fd));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(h));
  return names;
}

TEST(DevicePaths, CaseSeparatorsAndRelativePaths) {
  TempDeviceRoot root;
  root.MakeDir("Vorna/Maps");
  root.MakeFile("Vorna/Maps/Town.mdm", "x");
  const std::string want = root.path() + "/Vorna/Maps/Town.mdm";
  EXPECT_EQ(Host(L"\\Vorna\\Maps\\Town.mdm"), want);
  EXPECT_EQ(Host(L"\\VORNA\\maps\\TOWN.MDM"), want);
  EXPECT_EQ(Host(L"/vorna/Maps/town.mdm"), want);
  EXPECT_EQ(Host(L"vorna\\maps\\town.mdm"), want);  // no current folder: relative to the root
  EXPECT_EQ(Host(L"\\\\Vorna\\\\Maps\\.\\Town.mdm"), want);
  EXPECT_EQ(Host(L"\\Vorna\\Maps\\"), root.path() + "/Vorna/Maps");
  EXPECT_EQ(Host(L"\\"), root.path());
  EXPECT_EQ(Host(L"\\Vorna\\x\\..\\Maps\\Town.mdm", true), want);
}

TEST(DevicePaths, CyrillicNamesMatchWithoutCase) {
  TempDeviceRoot root;
  root.MakeFile("Карта.mdm");
  EXPECT_EQ(Host(L"\\кАРТА.MDM"), root.path() + "/Карта.mdm");
}

TEST(DevicePaths, NamesDifferingOnlyInCaseAreChosenDeterministically) {
  TempDeviceRoot root;
  root.MakeFile("data.txt", "lower");
  root.MakeFile("DATA.txt", "upper");
  root.MakeFile("Data.txt", "mixed");
  EXPECT_EQ(Host(L"\\Data.txt"), root.path() + "/Data.txt");  // exact spelling wins
  EXPECT_EQ(Host(L"\\dATA.TXT"), root.path() + "/DATA.txt");  // else first in byte order
  auto names = List(L"\\*.txt");
  EXPECT_EQ(names, (std::vector<std::wstring>{L"DATA.txt", L"Data.txt", L"data.txt"}));
}

TEST(DevicePaths, MissingComponents) {
  TempDeviceRoot root;
  root.MakeDir("Vorna");
  SetLastError(0);
  EXPECT_EQ(Host(L"\\Vorna\\none.ini"), "<fail>");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(Host(L"\\Nowhere\\x.ini"), "<fail>");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // For creation the caller's spelling is kept where nothing exists yet.
  EXPECT_EQ(Host(L"\\VORNA\\New.INI", true), root.path() + "/Vorna/New.INI");
  EXPECT_EQ(GetFileAttributesW(L"\\Nowhere\\x.ini"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(CreateDirectoryW(L"\\Nowhere\\Sub", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(DevicePaths, RootEscapeAndBadNamesAreRefused) {
  TempDeviceRoot root;
  root.MakeDir("A");
  for (const wchar_t* p : {L"\\..\\etc\\passwd", L"..", L"\\A\\..\\..\\x", L"A/../../x"}) {
    SetLastError(0);
    EXPECT_EQ(Host(p, true), "<fail>") << p;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND)) << p;
  }
  EXPECT_EQ(Host(L"\\A\\..", true), root.path());  // back to the root is fine
  for (const wchar_t* p : {L"\\a*b", L"\\a?b", L"\\a:b", L"\\a|b", L"\\a\"b", L"\\a<b"}) {
    EXPECT_EQ(Host(p, true), "<fail>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
  }
}

TEST(DevicePaths, LengthLimitIs255Characters) {
  TempDeviceRoot root;
  std::wstring ok = L"\\" + std::wstring(254, L'a');   // 255 in all
  std::wstring longer = ok + L"b";                     // 256
  EXPECT_EQ(Host(ok.c_str(), true), root.path() + "/" + std::string(254, 'a'));
  SetLastError(0);
  EXPECT_EQ(Host(longer.c_str(), true), "<fail>");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  // Never truncated into the 255-character name: creating the longer one makes nothing.
  EXPECT_EQ(CreateFileW(longer.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(vfopen(std::string(longer.begin(), longer.end()).c_str(), "w"), nullptr);
  EXPECT_TRUE(List(L"\\*").empty());
}

TEST(DevicePaths, NoRootSetRefusesEverything) {
  vplat::SetDeviceRoot("");
  EXPECT_EQ(Host(L"\\x", true), "<fail>");
  EXPECT_EQ(GetFileAttributesW(L"\\"), INVALID_FILE_ATTRIBUTES);
}

TEST(FindFiles, PatternsNeverListDotEntries) {
  TempDeviceRoot root;
  root.MakeDir("Maps/Sub");
  root.MakeFile("Maps/a.MDM", "12345");
  root.MakeFile("Maps/b.mdm");
  root.MakeFile("Maps/c.jpg");
  root.MakeFile("Maps/README");
  EXPECT_EQ(List(L"\\maps\\*.mdm"), (std::vector<std::wstring>{L"a.MDM", L"b.mdm"}));
  EXPECT_EQ(List(L"\\Maps\\?.*").size(), 3u);
  auto all = List(L"\\Maps\\*.*");  // "*.*" also matches names without a dot
  EXPECT_EQ(all, (std::vector<std::wstring>{L"README", L"Sub", L"a.MDM", L"b.mdm", L"c.jpg"}));
  for (auto& n : List(L"\\Maps\\*")) EXPECT_TRUE(n != L"." && n != L"..");
  EXPECT_TRUE(List(L"\\Maps\\*.tif").empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(List(L"\\NoSuch\\*").empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FindFiles, EntryDataAndTheFolderItself) {
  TempDeviceRoot root;
  root.MakeDir("Maps");
  root.MakeFile("Maps/a.mdm", "12345");
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"\\MAPS", &fd);  // no wildcard: the folder itself
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(fd.cFileName, L"Maps");
  EXPECT_TRUE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(FindNextFileW(h, &fd));
  FindClose(h);
  h = FindFirstFileW(L"\\maps\\A.MDM", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(fd.cFileName, L"a.mdm");
  EXPECT_EQ(fd.nFileSizeLow, 5u);
  EXPECT_FALSE(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_GT(fd.ftLastWriteTime.dwHighDateTime, 0x01D00000u);  // after 2014
  FindClose(h);
  EXPECT_FALSE(FindClose(h));  // a closed search is gone
  EXPECT_EQ(FindFirstFileW(L"\\Maps\\", &fd), INVALID_HANDLE_VALUE);
}

// A host symbolic link is marked as one in a listing and in a look-up of its own, with its
// target's kind; plain entries are not.
TEST(FindFiles, LinksAreMarkedWithTheirTargetsKind) {
  TempDeviceRoot root;
  root.MakeDir("Maps");
  root.MakeFile("Maps/a.mdm", "12345");
  std::filesystem::create_directory_symlink(root.path() + "/Maps", root.path() + "/Again");
  std::filesystem::create_symlink(root.path() + "/Maps/a.mdm", root.path() + "/b.mdm");
  std::map<std::wstring, DWORD> seen;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(L"\\*.*", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do seen[fd.cFileName] = fd.dwFileAttributes;
  while (FindNextFileW(h, &fd));
  FindClose(h);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[L"Maps"], DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(seen[L"Again"], DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_TRUE(seen[L"b.mdm"] & FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_FALSE(seen[L"b.mdm"] & FILE_ATTRIBUTE_DIRECTORY);
  h = FindFirstFileW(L"\\again", &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(fd.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  FindClose(h);
}

TEST(Files, MoveReplacingAnExistingFile) {
  TempDeviceRoot root;
  root.MakeFile("Vorna.ini.bak", "old");
  root.MakeFile("Vorna.ini", "new");
  root.MakeDir("Dir");
  EXPECT_TRUE(MoveFileExW(L"\\VORNA.INI.BAK", L"\\vorna.ini", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(root.Read("Vorna.ini"), "old");  // the existing name's case is kept
  EXPECT_FALSE(root.Exists("Vorna.ini.bak"));
  EXPECT_TRUE(MoveFileExW(L"\\Vorna.ini", L"\\fresh.ini", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(root.Read("fresh.ini"), "old");  // no target: a plain move
  EXPECT_FALSE(MoveFileExW(L"\\fresh.ini", L"\\Dir", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));  // a folder stays
  EXPECT_FALSE(MoveFileExW(L"\\missing", L"\\fresh.ini", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(root.Read("fresh.ini"), "old");
  EXPECT_FALSE(MoveFileExW(L"\\fresh.ini", L"\\x.ini", 0x8));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  root.MakeFile("b.ini", "b");
  EXPECT_FALSE(MoveFileExW(L"\\fresh.ini", L"\\b.ini", 0));  // no flag: never replaces
  EXPECT_EQ(root.Read("b.ini"), "b");
}

TEST(Files, AttributesDeleteMoveCopyAndFolders) {
  TempDeviceRoot root;
  root.MakeFile("a.txt", "alpha");
  root.MakeFile("b.txt", "beta");
  EXPECT_EQ(GetFileAttributesW(L"\\A.TXT") & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesW(L"\\"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(SetFileAttributesW(L"\\a.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(GetFileAttributesW(L"\\a.txt") & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SetFileAttributesW(L"\\a.txt", FILE_ATTRIBUTE_NORMAL));

  EXPECT_FALSE(MoveFileW(L"\\a.txt", L"\\B.TXT"));  // the target exists
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(root.Read("b.txt"), "beta");
  EXPECT_TRUE(MoveFileW(L"\\a.txt", L"\\A.txt"));  // a change of case only
  EXPECT_TRUE(root.Exists("A.txt"));
  EXPECT_TRUE(MoveFileW(L"\\a.txt", L"\\c.txt"));
  EXPECT_EQ(root.Read("c.txt"), "alpha");

  EXPECT_FALSE(CopyFileW(L"\\c.txt", L"\\b.txt", TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(CopyFileW(L"\\c.txt", L"\\b.txt", FALSE));
  EXPECT_EQ(root.Read("b.txt"), "alpha");

  EXPECT_TRUE(CreateDirectoryW(L"\\Dir", nullptr));
  EXPECT_FALSE(CreateDirectoryW(L"\\DIR", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileW(L"\\b.txt", L"\\dir\\b.txt"));
  EXPECT_FALSE(DeleteFileW(L"\\Dir"));  // a folder is not a file
  EXPECT_FALSE(RemoveDirectoryW(L"\\dir"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_TRUE(DeleteFileW(L"\\DIR\\B.TXT"));
  EXPECT_TRUE(RemoveDirectoryW(L"\\dir"));
  EXPECT_FALSE(RemoveDirectoryW(L"\\"));
  EXPECT_FALSE(DeleteFileW(L"\\missing"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Files, HandlesReadWriteSeekAndTruncate) {
  TempDeviceRoot root;
  HANDLE h = CreateFileW(L"\\f.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  EXPECT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(GetFileSize(h, nullptr), 10u);
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
  char buf[16] = {};
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
  EXPECT_EQ(std::string(buf, n), "6789");
  EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));  // end of file: success, nothing read
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_BEGIN), 3u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_TRUE(FlushFileBuffers(h));
  FILETIME written{};
  EXPECT_TRUE(GetFileTime(h, nullptr, nullptr, &written));
  EXPECT_NE(written.dwHighDateTime, 0u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(root.Read("f.bin"), "012");

  // Creation dispositions.
  EXPECT_EQ(CreateFileW(L"\\F.BIN", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(CreateFileW(L"\\nope", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  h = CreateFileW(L"\\F.BIN", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));  // opened for writing only
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(h);
  h = CreateFileW(L"\\f.bin", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_EQ(root.Read("f.bin"), "");
  EXPECT_FALSE(root.Exists("F.BIN"));  // always the existing file, never a second one

  root.MakeDir("Folder");
  EXPECT_EQ(CreateFileW(L"\\folder", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(CreateFileW(L"\\folder", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST(Stdio, OpensThroughTheRootAndRefusesFolders) {
  TempDeviceRoot root;
  root.MakeDir("Vorna");
  FILE* f = vfopen("\\VORNA\\Vorna.ini", "wt");
  ASSERT_NE(f, nullptr);
  std::fputs("[Ini]\nKey=1\n", f);
  std::fclose(f);
  EXPECT_EQ(root.Read("Vorna/Vorna.ini"), "[Ini]\nKey=1\n");
  f = vwfopen(L"\\vorna\\VORNA.INI", L"rb");
  ASSERT_NE(f, nullptr);
  char line[32];
  EXPECT_STREQ(std::fgets(line, sizeof line, f), "[Ini]\n");
  std::fclose(f);
  EXPECT_EQ(vfopen("\\Vorna", "r"), nullptr);  // a folder, though the host would open it
  EXPECT_EQ(vfopen("\\Vorna", "rb"), nullptr);
  EXPECT_EQ(vwfopen(L"\\vorna\\", L"r"), nullptr);
  EXPECT_EQ(vfopen("\\Vorna\\x.ini", "q"), nullptr);
  EXPECT_EQ(vfopen("\\Missing\\x.ini", "w"), nullptr);

  EXPECT_EQ(vrename("\\Vorna\\vorna.ini", "\\Vorna\\Vorna.bak"), 0);
  root.MakeFile("Vorna/other.ini", "o");
  EXPECT_EQ(vrename("\\Vorna\\other.ini", "\\Vorna\\VORNA.BAK"), -1);  // target exists
  EXPECT_EQ(root.Read("Vorna/Vorna.bak"), "[Ini]\nKey=1\n");
  EXPECT_EQ(vremove("\\Vorna"), -1);
  EXPECT_EQ(vremove("\\vorna\\OTHER.ini"), 0);
  EXPECT_FALSE(root.Exists("Vorna/other.ini"));
}

// 8-bit paths are in the system page (1251) and nothing else: the language's page is for texts.
TEST(Stdio, EightBitPathsAreInTheSystemPage) {
  TempDeviceRoot root;
  root.MakeFile("Карта.txt", "ru");
  root.MakeFile("Ärger.txt", "de");
  root.MakeFile("日本.txt", "jp");
  // 1251: "\xCA\xE0\xF0\xF2\xE0" is "Карта".
  FILE* f = vfopen("\\\xCA\xE0\xF0\xF2\xE0.txt", "r");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_EQ(vfopen("\\\xC4rger.txt", "r"), nullptr);  // 0xC4 is "Д" in 1251
  // The new file takes the caller's spelling, in UTF-8 on the host.
  f = vfopen("\\\xEA\xE0\xF4\xE5.txt", "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(root.Exists("кафе.txt"));
  ASSERT_EQ(vrename("\\\xEA\xE0\xF4\xE5.txt", "\\\xF7\xE0\xE9.txt"), 0);
  EXPECT_TRUE(root.Exists("чай.txt"));
  EXPECT_EQ(vwritefile("\\\xEC\xEE\xF0\xE5.txt", "x", 1), 0);
  EXPECT_TRUE(root.Exists("море.txt"));
  // A name no 8-bit page here can spell is reached by wide paths only.
  EXPECT_NE(GetFileAttributesW(L"\\日本.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(vfopen("\\??.txt", "r"), nullptr);
}

}  // namespace

namespace {

bool Identity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, info);
  CloseHandle(h);
  return ok;
}

TEST(FileInformation, FoldersOpenWithBackupSemanticsAndLinksShareTheirTargetsIdentity) {
  TempDeviceRoot root;
  root.MakeDir("Maps/Town");
  root.MakeFile("Maps/a.mvw", std::string(1500, 'x'));
  ASSERT_EQ(symlink((root.path() + "/Maps").c_str(), (root.path() + "/Maps/Town/up").c_str()), 0);
  // Without the flag a folder is still no file.
  EXPECT_EQ(CreateFileW(L"\\Maps", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(L"\\Maps", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr),
            INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION maps{}, link{}, town{}, file{};
  ASSERT_TRUE(Identity(L"\\Maps", &maps));
  ASSERT_TRUE(Identity(L"\\Maps\\Town\\up", &link));
  ASSERT_TRUE(Identity(L"\\Maps\\Town", &town));
  ASSERT_TRUE(Identity(L"\\Maps\\a.mvw", &file));
  EXPECT_EQ(maps.dwFileAttributes, DWORD(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(link.nFileIndexLow, maps.nFileIndexLow);
  EXPECT_EQ(link.nFileIndexHigh, maps.nFileIndexHigh);
  EXPECT_EQ(link.dwVolumeSerialNumber, maps.dwVolumeSerialNumber);
  EXPECT_NE(town.nFileIndexLow, maps.nFileIndexLow);
  EXPECT_EQ(file.nFileSizeLow, 1500u);
  EXPECT_FALSE(GetFileInformationByHandle(INVALID_HANDLE_VALUE, &file));
  EXPECT_FALSE(Identity(L"\\Missing", &file));
}

}  // namespace

namespace {

// A child process whose files may grow to `limit` bytes at most (SIGXFSZ ignored, so a write
// past it fails with EFBIG as a full card would); its exit status is `body`'s result.
int InChildWithFileLimit(rlim_t limit, const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit r{limit, limit};
    setrlimit(RLIMIT_FSIZE, &r);
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// A whole-file write that fails at any byte (the layer's full card, or the host's file-size
// limit) leaves the old file byte for byte and no temporary; one that succeeds replaces it.
TEST(WholeFileWrite, FailingAtAnyByteLeavesTheOldFile) {
  TempDeviceRoot root;
  root.MakeDir("Vorna");
  const std::string old = "[Ini]\r\nGPSPort=3\r\n; a comment\r\n\r\nPadKey14=s\r\n";
  root.MakeFile("Vorna/Vorna.ini", old);
  const std::string fresh(300, 'n');
  for (long long limit = 0; limit < static_cast<long long>(fresh.size()); limit += 37) {
    harness::LimitFileWrites(limit);
    EXPECT_EQ(vwritefile("\\Vorna\\Vorna.ini", fresh.data(), fresh.size()), -1) << limit;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(root.Read("Vorna/Vorna.ini"), old) << limit;
    EXPECT_FALSE(root.Exists("Vorna/Vorna.ini.tmp")) << limit;
  }
  harness::LimitFileWrites(-1);
  for (rlim_t limit : {rlim_t(0), rlim_t(1), rlim_t(299)}) {
    EXPECT_EQ(InChildWithFileLimit(limit, [&] { return vwritefile("\\VORNA\\vorna.ini", fresh.data(), fresh.size()) == -1 ? 0 : 1; }), 0);
    EXPECT_EQ(root.Read("Vorna/Vorna.ini"), old) << limit;
    EXPECT_FALSE(root.Exists("Vorna/Vorna.ini.tmp"));
  }
  // Written whole, under the name as it already stood.
  EXPECT_EQ(vwritefile("\\VORNA\\vorna.ini", fresh.data(), fresh.size()), 0);
  EXPECT_EQ(root.Read("Vorna/Vorna.ini"), fresh);
  EXPECT_FALSE(root.Exists("Vorna/Vorna.ini.tmp"));
  EXPECT_EQ(vwwritefile(L"\\Vorna\\new.txt", "x", 1), 0);
  EXPECT_EQ(root.Read("Vorna/new.txt"), "x");
  // A folder and a read-only file are not replaced.
  EXPECT_EQ(vwwritefile(L"\\Vorna", "x", 1), -1);
  ASSERT_TRUE(SetFileAttributesW(L"\\Vorna\\new.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(vwwritefile(L"\\Vorna\\new.txt", "y", 1), -1);
  EXPECT_EQ(root.Read("Vorna/new.txt"), "x");
}
