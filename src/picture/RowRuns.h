#pragma once

#include <algorithm>
#include <vector>

namespace koordel {

// Rows of a picture as runs [first, end), apart and in order: what has
// arrived of a picture decoded in pieces.
class RowRuns {
 public:
  struct Run {
    int first;
    int end;
  };

  void add(int first, int end) {
    if (first >= end) {
      return;
    }
    // Runs touching or overlapping the new one merge with it.
    auto from = std::lower_bound(m_runs.begin(), m_runs.end(), first,
                                 [](const Run& r, int row) { return r.end < row; });
    auto to = from;
    while (to != m_runs.end() && to->first <= end) {
      first = std::min(first, to->first);
      end = std::max(end, to->end);
      ++to;
    }
    const auto at = m_runs.erase(from, to);
    m_runs.insert(at, Run{first, end});
  }
  const std::vector<Run>& runs() const { return m_runs; }
  bool isEmpty() const { return m_runs.empty(); }

 private:
  std::vector<Run> m_runs;
};

}  // namespace koordel
