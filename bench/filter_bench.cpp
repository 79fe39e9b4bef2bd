// Overview filtering: Parse + FillInfo + Check of overview lines against 20 enabled rules of every
// kind, on one thread; and Check alone from one and from two threads at once.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "newsgate/filterman.h"
#include "newsgate/xover.h"
#include "platform/codepage.h"

namespace {

using newsgate::TFilter;

constexpr int kLines = 4096;

std::vector<std::string> OverviewLines() {
  const char* subjects[] = {"Re: Question about the new release",
                            "[ANN] version 2.1 available",
                            "\x83\x65\x83\x58\x83\x67 posting, please ignore",  // テスト
                            "Re: Re: off topic: what's for lunch",
                            "FREE MONEY!!! click now",
                            "Help with regular expressions in C++"};
  const char* froms[] = {"alice@example.jp", "Bob <bob@news.example.com>",
                         "\"Carol\" <carol@example.org>", "spammer@bulk.example.net"};
  const char* dates[] = {"Thu, 03 Jul 2003 12:34:56 +0000", "3 Jul 2003 23:10:00 -0500",
                         "Fri, 4 Jul 2003 09:00:00 +0900", "Sat, 05 Jul 2003 01:02 GMT",
                         "Sun, 6 Jul 2003 10:00:00 +0900 (JST)"};
  const char* xrefs[] = {"news.example.jp fj.comp.lang.c:1234",
                         "news.example.jp fj.comp.lang.c:1235 fj.test:99",
                         "news.example.jp fj.rec.misc:77 fj.test:100 alt.test:5"};
  std::vector<std::string> lines;
  for (int i = 0; i < kLines; ++i) {
    lines.push_back(std::to_string(10000 + i) + "\t" + subjects[i % 6] + " #" + std::to_string(i) +
                    "\t" + froms[i % 4] + "\t" + dates[i % 5] + "\t<" + std::to_string(i) +
                    "@example.jp>\t<ref" + std::to_string(i) + "@example.jp>\t" +
                    std::to_string(500 + (i * 977) % 40000) + "\t" + std::to_string(10 + i % 300) +
                    "\tXref: " + xrefs[i % 3]);
  }
  return lines;
}

// Twenty rules: keywords, regular expressions, group lists, sizes and cross-posting, most of which
// do not match most lines, so that every scan tests them all.
void AddRules(newsgate::TFilterManager& manager) {
  newsgate::TFilterRows rows;
  auto rule = [&](int type) -> TFilter& {
    rows.push_back(std::make_unique<TFilter>());
    rows.back()->FilterType = type;
    return *rows.back();
  };
  for (const char* keywords :
       {"FREE MONEY", "click now", "\x83\x65\x83\x58\x83\x67", "lunch", "[ANN] release"})
    rule(newsgate::ftFilter).Subject = keywords;
  rule(newsgate::ftFilter).From = "spammer@bulk";
  for (const char* pattern :
       {"^re: re: re:", "(viagra|casino|lottery)", "\\$\\d+ ?/ ?day", "^\\[ann\\].*beta"}) {
    TFilter& f = rule(newsgate::ftFilter);
    f.UseRegExp = 1;
    f.Subject = pattern;
  }
  TFilter& from = rule(newsgate::ftExclude);
  from.UseRegExp = 1;
  from.From = "@(example\\.jp|trusted\\.org)>?$";
  from.Groups = {"fj.comp.*"};
  for (auto groups :
       {std::vector<std::string>{"alt.*", "!alt.test"}, std::vector<std::string>{"*.binaries.*"},
        std::vector<std::string>{"fj.rec.*", "fj.sci.*"},
        std::vector<std::string>{"fj.*", "!fj.comp.*"}})
    rule(newsgate::ftMark).Groups = groups;
  for (int kb : {200, 500}) {
    TFilter& f = rule(newsgate::ftFilter);
    f.CheckSize = true;
    f.SizeLarger = true;
    f.Size = kb;
  }
  TFilter& small = rule(newsgate::ftMark);
  small.CheckSize = true;
  small.Size = 1;
  small.Subject = "test";
  TFilter& cross = rule(newsgate::ftFilter);
  cross.CrossPost = true;
  cross.Groups = {"fj.test"};
  TFilter& always = rule(newsgate::ftAlwaysFilter);
  always.CrossPost = true;
  always.Subject = "FREE";
  manager.SetFilters(std::move(rows));
}

newsgate::TFilterManager& Manager() {
  static newsgate::TFilterManager* manager = [] {
    win::SetACPOverride(932);
    auto* m = new newsgate::TFilterManager;
    AddRules(*m);
    return m;
  }();
  return *manager;
}

void BM_ParseFillCheck(benchmark::State& state) {
  const std::vector<std::string> lines = OverviewLines();
  const std::string group = "fj.comp.lang.c";
  newsgate::TFilterManager& manager = Manager();
  newsgate::TXOVER record;
  newsgate::TOverviewInfo info;
  size_t i = 0, caught = 0;
  for (auto _ : state) {
    record.Parse(lines[i]);
    record.FillInfo(info);
    info.group = group;
    int type;
    caught += manager.Check(info, type);
    i = (i + 1) % lines.size();
  }
  benchmark::DoNotOptimize(caught);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseFillCheck);

void BM_Parse(benchmark::State& state) {
  const std::vector<std::string> lines = OverviewLines();
  newsgate::TXOVER record;
  size_t i = 0;
  for (auto _ : state) {
    record.Parse(lines[i]);
    benchmark::DoNotOptimize(record.bytes);
    i = (i + 1) % lines.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Parse);

void BM_Check(benchmark::State& state) {
  const std::vector<std::string> lines = OverviewLines();
  std::vector<newsgate::TXOVER> records(lines.size());
  for (size_t j = 0; j < lines.size(); ++j) records[j].Parse(lines[j]);
  const std::string group = "fj.comp.lang.c";
  newsgate::TFilterManager& manager = Manager();
  size_t i = 0, caught = 0;
  for (auto _ : state) {
    newsgate::TOverviewInfo info;
    records[i].FillInfo(info);
    info.group = group;
    int type;
    caught += manager.Check(info, type);
    i = (i + 1) % records.size();
  }
  benchmark::DoNotOptimize(caught);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Check)->Threads(1)->Threads(2)->UseRealTime();

}  // namespace
