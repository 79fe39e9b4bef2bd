#include "newsgate/filterman.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <string>

#include "newsgate/strconv.h"

namespace newsgate {

std::unique_ptr<TFilterManager> FilterManager;

// What a thread keeps between scans: the snapshot it scans and, because a session asks about one
// newsgroup for a whole overview answer, MatchGroup of every filter for the group it last asked.
struct TFilterManager::LiveCache {
  const TFilterManager* owner = nullptr;
  std::uint64_t generation = 0;
  std::shared_ptr<const TTaggedList> list;
  bool groupKnown = false;
  std::string group;
  std::vector<bool> groupMatches;  // by list position

  const std::vector<bool>& GroupMatches(std::string_view name) {
    if (!groupKnown || group != name) {
      groupMatches.assign(list->Count(), false);
      for (std::int32_t i = 0; i < list->Count(); ++i)
        groupMatches[i] = FilterAt(*list, i).MatchGroup(name);
      group = name;
      groupKnown = true;
    }
    return groupMatches;
  }
};

namespace {

// Snapshots are told apart by a generation unique in the process, so a thread's cached snapshot is
// never mistaken for the current one of another (or a later) manager.
std::atomic<std::uint64_t> lastGeneration{0};

// A list owns its filters.
std::shared_ptr<TTaggedList> MakeList(TFilterRows filters) {
  std::shared_ptr<TTaggedList> list(new TTaggedList, [](TTaggedList* owned) {
    for (std::int32_t i = 0; i < owned->Count(); ++i) delete static_cast<TFilter*>(owned->Get(i));
    delete owned;
  });
  for (std::unique_ptr<TFilter>& filter : filters) {
    if (!filter) continue;
    list->Add(0, filter.get());
    filter.release();
  }
  return list;
}

// Subkeys in ascending numeric order of their names; names that are not numbers follow in the
// order the key holds them, so that they are kept (and renumbered) rather than lost.
bool IsNumber(std::string_view name) {
  return !name.empty() &&
         std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool NumericOrder(const std::string& a, const std::string& b) {
  if (IsNumber(a) != IsNumber(b)) return IsNumber(a);
  if (!IsNumber(a)) return false;
  const std::string_view x =
      std::string_view(a).substr(std::min(a.find_first_not_of('0'), a.size()));
  const std::string_view y =
      std::string_view(b).substr(std::min(b.find_first_not_of('0'), b.size()));
  return x.size() != y.size() ? x.size() < y.size() : x < y;
}

// The section a list position is saved in.
bool IsSectionOfPosition(std::string_view name, std::int32_t count) {
  std::int32_t position;
  return TryStrToInt(name, position) && position >= 0 && position < count &&
         std::to_string(position) == name;
}

}  // namespace

TFilterManager::TFilterManager() { Publish(MakeList({})); }

bool TFilterManager::Check(const TOverviewInfo& info, int& type) const {
  type = -1;
  LiveCache& cache = Live();
  const TTaggedList& list = *cache.list;
  const std::vector<bool>& groupMatches = cache.GroupMatches(info.group);
  for (std::int32_t i = 0, count = list.Count(); i < count; ++i) {
    const TFilter& filter = FilterAt(list, i);
    if (!filter.Enabled || !IsKnownFilterType(filter.FilterType) || !groupMatches[i]) continue;
    int t = 0;
    if (filter.MatchArticle(info, t) && type < t) {
      type = t;
      if (type == ftAlwaysFilter) break;
    }
  }
  return type == ftMark || type == ftFilter || type == ftAlwaysFilter;
}

TFilterManager::LiveCache& TFilterManager::Live() const {
  thread_local LiveCache cache;
  if (cache.owner != this || cache.generation != generation_.load(std::memory_order_acquire)) {
    std::lock_guard lock(mutex_);
    cache.list = live_;
    cache.owner = this;
    cache.generation = generation_.load(std::memory_order_relaxed);
    cache.groupKnown = false;
  }
  return cache;
}

void TFilterManager::Publish(std::shared_ptr<const TTaggedList> list) {
  std::lock_guard lock(mutex_);
  live_.swap(list);
  generation_.store(lastGeneration.fetch_add(1) + 1, std::memory_order_release);
}  // the old list goes when its last scan is done, outside the lock

std::shared_ptr<const TTaggedList> TFilterManager::Filters() const {
  std::lock_guard lock(mutex_);
  return live_;
}

void TFilterManager::PrepareAll(const TFilterRows& filters) {
  for (const std::unique_ptr<TFilter>& filter : filters)
    if (filter) filter->Prepare();
}

void TFilterManager::SetFilters(TFilterRows filters) {
  PrepareAll(filters);
  Publish(MakeList(std::move(filters)));
}

void TFilterManager::Clear() { Publish(MakeList({})); }

void TFilterManager::Load() {
  const TRegistryIniFile store(win::HKEY::CurrentUser, std::string(kFiltersKey));
  std::vector<std::string> names = store.ReadSections();
  std::stable_sort(names.begin(), names.end(), NumericOrder);
  TFilterRows filters;
  for (const std::string& name : names) {
    filters.push_back(std::make_unique<TFilter>());
    filters.back()->Load(store, name);
  }
  SetFilters(std::move(filters));
}

void TFilterManager::Save() const {
  const std::shared_ptr<const TTaggedList> list = Filters();
  TRegistryIniFile store(win::HKEY::CurrentUser, std::string(kFiltersKey));
  const std::vector<std::string> old = store.ReadSections();
  // each section is replaced in turn, so an interrupted save loses at most the one being written
  for (std::int32_t i = 0; i < list->Count(); ++i) {
    const std::string section = std::to_string(i);
    store.EraseSection(section);
    FilterAt(*list, i).Save(store, section);
  }
  for (const std::string& name : old)
    if (!IsSectionOfPosition(name, list->Count())) store.EraseSection(name);
}

void TFilterManager::Configure() {
  if (!ConfigureDialog) throw std::logic_error("no filter list dialog is installed");
  TFilterRows rows;
  {
    const std::shared_ptr<const TTaggedList> list = Filters();
    for (std::int32_t i = 0; i < list->Count(); ++i) {
      rows.push_back(std::make_unique<TFilter>());
      rows.back()->Assign(FilterAt(*list, i));
    }
  }
  if (!ConfigureDialog(rows)) return;
  // the new list is prepared and live before the registry is written, so a registry error leaves
  // the sessions a usable list
  SetFilters(std::move(rows));
  Save();
}

TFilterRows ReadFilterFile(const TMemIniFile& file) {
  const std::vector<std::string> names = file.ReadSections();
  TFilterRows filters;
  for (int i = 0; i < file.SectionCount(); ++i) {
    filters.push_back(std::make_unique<TFilter>());
    filters.back()->Load(file.Section(i), names[i]);
  }
  return filters;
}

TFilterRows ImportFilterFile(std::string_view fileName) {
  return ReadFilterFile(TMemIniFile::FromFile(fileName));
}

TMemIniFile WriteFilterFile(std::span<const TFilter* const> filters) {
  TMemIniFile file;
  for (size_t i = 0; i < filters.size(); ++i) filters[i]->Save(file, std::to_string(i));
  return file;
}

void ExportFilterFile(std::string_view fileName, std::span<const TFilter* const> filters) {
  WriteFilterFile(filters).SaveToFile(fileName);
}

std::vector<int> EfficientOrder(std::span<const TFilter* const> filters) {
  std::vector<int> order(filters.size());
  std::iota(order.begin(), order.end(), 0);
  const auto always = std::stable_partition(
      order.begin(), order.end(), [&](int i) { return filters[i]->FilterType == ftAlwaysFilter; });
  std::stable_sort(order.begin(), always,
                   [&](int a, int b) { return filters[a]->HitCount() > filters[b]->HitCount(); });
  return order;
}

}  // namespace newsgate
