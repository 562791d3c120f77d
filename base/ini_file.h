// The settings store: an ordered list of key/value pairs of 8-bit text, read from and written to
// a plain text file of "key=value" lines under one header line. The program's settings file, the
// language files, the receiver's state file and the almanac ".base" files all use it.
//
// Invariants:
//   - Pairs keep their order: the file's order after a load, new keys appended at the end.
//   - Keys compare exactly and case-sensitively. A key may occur more than once (a file can hold
//     duplicates and a load keeps them); lookups and replacements concern the first such pair,
//     and a save writes them all. An empty key is never found and never written.
//   - Every value survives a save and a load unchanged, whatever its length and whatever
//     backslashes, line feeds, tabs and carriage returns it holds (see EscapeValue). A file without such sequences
//     is written back byte for byte as it was read.
//   - A failed load leaves the store empty, holding the new path, so a later Save writes there.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win_types.h"

class TIniFile {
  struct Pair {
    std::string key;
    std::string value;
  };

 public:
  // Result codes of Load, Save, SaveAs, AddPair and the setters.
  enum { kOk = 0, kCannotOpen = 2, kNoMemory = 3 };

  TIniFile();
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  // Remembers the path (whole: Save writes there), empties the store and reads the file: 0, 2 when
  // it cannot be opened or read, 3 when memory runs out (the pairs read so far stay).
  int Load(const char* path);
  // SaveAs with the remembered path.
  int Save();
  // Writes the header line and every pair: 0, or 2 when the file cannot be written, which then
  // keeps its old bytes (the file is replaced in one step, never rewritten in place).
  int SaveAs(const char* path);
  // Appends a pair without looking for the key; a null value is stored as an empty text. 0 or 3.
  int AddPair(const char* key, const char* value);
  // The value of the first pair with the key and its index, or null.
  const char* FindKey(const char* key, int* index = nullptr) const;
  bool HasKey(const char* key) const;
  // Copies the value into `buffer` (cut to `size` characters with the terminator) and returns
  // the buffer; null, with the buffer untouched, when the key is missing.
  char* GetString(const char* key, char* buffer, size_t size = 256) const;
  // The whole value; false, with `out` untouched, when the key is missing.
  bool GetString(const char* key, std::string& out) const;
  // Replaces the value of the first pair with the key, else appends a pair. 0 or 3.
  int SetString(const char* key, const char* value);
  // The value as a decimal integer (sign and digits; the rest ignored), saturated to the int32
  // range; 0 when missing or without digits.
  int GetInt(const char* key) const;
  int SetInt(const char* key, int value);
  // The value as a number with a '.' decimal point whatever the host's locale; 0.0 when missing,
  // not a number, or not finite.
  double GetFloat(const char* key) const;
  // Stores "%f" (six decimals, '.' as the point): 0.5 becomes 0.500000.
  int SetFloat(const char* key, double value);
  // Frees every pair.
  void Clear();

  // The whole store as it stands (pairs, header, path), to be put back later without a trip
  // through the file: the program keeps values in the store that reach the file only at exit.
  class TSnapshot {
    friend class TIniFile;
    std::vector<Pair> pairs_;
    std::string header_, path_;
  };
  TSnapshot Snapshot() const;
  void Restore(const TSnapshot& snapshot);

  // The header line written first by a save ("[Ini]"; language files use "[Lang]").
  void SetHeader(const char* header);
  const char* GetHeader() const { return header_.c_str(); }
  const char* GetPath() const { return path_.c_str(); }
  int GetCount() const { return static_cast<int>(pairs_.size()); }
  const char* GetKeyAt(int index) const;
  const char* GetValueAt(int index) const;

  // ---- accessors bound to dialog controls; texts convert with the program code page ----

  // Stores the control's text (at most 254 characters; empty when there is no such control).
  int SetStringFromDlgItem(const char* key, HWND dialog, int id);
  // Stores a number typed into the control, its decimal comma made a point (see typed_number.h),
  // so the store's readers take it as shown; `whole` refuses a fraction. An empty text is stored
  // empty. Any other text is refused with a beep and the stored value kept: false then.
  bool SetNumberFromDlgItem(const char* key, HWND dialog, int id, bool whole);
  // Sets the control's text to the value when the key exists; otherwise leaves it.
  void GetStringToDlgItem(const char* key, HWND dialog, int id) const;
  // The same for a value that is a device path (converted with the path page).
  void GetPathToDlgItem(const char* key, HWND dialog, int id) const;
  // When the control exists, stores 1 for any checked state (indeterminate too), else 0.
  void SetIntFromCheckBox(const char* key, HWND dialog, int id);
  // Checks the box exactly when the value is 1.
  void GetIntToCheckBox(const char* key, HWND dialog, int id) const;
  // Stores the control's window text (at most 255 characters) and returns non-zero when it
  // differs from the stored value or the key was missing; 0, storing nothing, without the control.
  int SetStringFromWindowText(const char* key, HWND dialog, int id);
  int SetPathFromWindowText(const char* key, HWND dialog, int id);  // a file name or path
  // Selects the combo-box item equal to the value (without regard to case); none when no item
  // is equal.
  void SelectComboString(const char* key, HWND dialog, int id) const;
  void SelectComboPath(const char* key, HWND dialog, int id) const;  // a file name or path
  // Stores the index of the selected combo-box item (-1 when none).
  void SetIntFromComboSel(const char* key, HWND dialog, int id);
  // Selects the item whose index is the value when it is 0 or more (a missing key: item 0).
  void GetIntToComboSel(const char* key, HWND dialog, int id) const;

 private:
  int IndexOf(const char* key) const;
  int Append(std::string key, std::string value);

  std::vector<Pair> pairs_;
  std::string header_;
  std::string path_;
};

// The program's one settings store (the settings file beside the program).
extern TIniFile g_Ini;
