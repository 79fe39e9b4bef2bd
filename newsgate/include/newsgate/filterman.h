#pragma once
// The one filter list all sessions share: the verdict for an overview record, the list kept in the
// registry (one subkey per filter, named by its position), and the filter definition files (INI
// text, one section per filter).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <vector>

#include "newsgate/filter.h"
#include "newsgate/inifile.h"
#include "newsgate/taglist.h"

namespace newsgate {

// Under HKEY_CURRENT_USER.
inline constexpr std::string_view kFiltersKey = "Software\\Morvath\\Feldrun\\Filters";

using TFilterRows = std::vector<std::unique_ptr<TFilter>>;

// The filter at position i of a list the manager handed out.
inline const TFilter& FilterAt(const TTaggedList& list, std::int32_t i) {
  return *static_cast<const TFilter*>(list.Get(i));
}

// Scans never lock: the live list is an immutable, prepared snapshot that a change replaces as a
// whole. Each thread keeps the snapshot it last used and takes the new one on its next scan, so a
// scan never sees a half-built list and a list is deleted when its last scan is done. A thread also
// keeps the group test of every filter for the newsgroup it last asked about.
class TFilterManager {
 public:
  // The filter list dialog that Configure runs, installed by the dialog unit. It gets copies of the
  // live filters, lets the user change them and returns true on OK; rows then holds the dialog's
  // filters in row order.
  using TConfigureDialog = bool (*)(TFilterRows& rows);
  static inline TConfigureDialog ConfigureDialog = nullptr;

  TFilterManager();

  // The verdict for one record: true when caught. type gets the deciding action, the highest of the
  // enabled filters that match (-1 when none does); the scan stops at the first always-filter
  // match. Filters whose action the program does not know take no part. Safe from many threads at
  // once, also while the list is replaced.
  bool Check(const TOverviewInfo& info, int& type) const;

  void Load();        // replaces the list by the registry's, prepared
  void Save() const;  // writes the whole list to the registry; throws EStoreError
  // Runs the filter list dialog on copies of the filters; on OK they become the live list, which is
  // then saved. Hits counted while the dialog is open are not in the copies.
  void Configure();
  void Clear();

  // Prepares the filters and makes them the live list.
  void SetFilters(TFilterRows filters);
  // The live list (items are TFilter), kept alive by the pointer; its filters are not to be
  // changed.
  std::shared_ptr<const TTaggedList> Filters() const;

 private:
  static void PrepareAll(const TFilterRows& filters);
  void Publish(std::shared_ptr<const TTaggedList> list);
  struct LiveCache;  // what a thread keeps between scans
  LiveCache& Live() const;

  alignas(64) std::atomic<std::uint64_t> generation_{0};  // read by every scan, changed rarely
  alignas(64) mutable std::mutex mutex_;                  // guards live_
  std::shared_ptr<const TTaggedList> live_;
};

// The manager of the running program, created and loaded with the main window.
extern std::unique_ptr<TFilterManager> FilterManager;

// A filter definition file: one filter per section, in file order; section names carry no meaning.
TFilterRows ReadFilterFile(const TMemIniFile& file);
TFilterRows ImportFilterFile(std::string_view fileName);  // throws EStoreError
// The file the export writes: sections "0", "1", ... that ReadFilterFile reads back to the same
// filters.
TMemIniFile WriteFilterFile(std::span<const TFilter* const> filters);
void ExportFilterFile(std::string_view fileName, std::span<const TFilter* const> filters);

// An order of the filters (indices into filters) in which every verdict stays as it was and scans
// stop early more often: the always-filter rules first, those with more hits before those with
// fewer, then every other rule in its old order.
std::vector<int> EfficientOrder(std::span<const TFilter* const> filters);

}  // namespace newsgate
