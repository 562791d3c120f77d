// A thin wrapper over a report-style list view that sits in a dialog. Every row carries a data
// block that the wrapper owns and frees; the file browser and the receiver files dialog keep
// their per-row records there.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win_types.h"

// One column of a list, as the callers prepare them in static tables: the title and the width in
// pixels.
struct TColumnDesc {
  wchar_t title[100];
  uint16_t width;
};

// Inserts `columns` left-aligned columns into a list view (sub-item = index). False as soon as
// one cannot be inserted; the columns before it stay.
bool InsertListColumns(HWND list, const TColumnDesc* descriptors, int columns);

// The data block of a row. Callers derive their record from it; the list deletes it through the
// virtual destructor.
struct TListRowData {
  virtual ~TListRowData() = default;
};

class TListViewCtl {
 public:
  TListViewCtl() = default;
  ~TListViewCtl();
  TListViewCtl(const TListViewCtl&) = delete;
  TListViewCtl& operator=(const TListViewCtl&) = delete;

  // Clears, takes dialog item `controlId` and inserts the columns. The list's window, or null:
  // when the dialog has no such item, or when a column cannot be inserted (the list view is
  // then destroyed).
  HWND Attach(HINSTANCE instance, HWND dialog, const TColumnDesc* descriptors, int columns,
              int controlId);
  // Appends a row with small image `image`, the row's data block (owned from now on, also when
  // the row cannot be inserted: it is then freed) and one text per column (a null text shows
  // empty). 1 when the row was inserted, 0 when not.
  int AddRow(const wchar_t* const* texts, int image, std::unique_ptr<TListRowData> data);
  // The data block of row `index`, null when out of range.
  TListRowData* GetRowData(int index) const;
  // Frees every row's data block and deletes all items.
  void Clear();

  HWND list = nullptr;
  HINSTANCE instance = nullptr;
  HWND dialog = nullptr;
  int columns = 0;
  int rows = 0;
  int controlId = 0;

 private:
  // The blocks themselves live here, so they are freed even when the list view is already gone
  // (the dialog destroyed it before the wrapper was cleared). Items hold plain pointers to them.
  std::vector<std::unique_ptr<TListRowData>> owned_;
};
