#pragma once

#include "web/Clock.h"
#include "web/Text.h"

#include <optional>

namespace orbisel {

// Column texts of the ledger grid's header row (row 0), GBK.
const TextArray &ledgerHeaderTexts();
inline constexpr int kLedgerColumns = 6;
inline constexpr int kLedgerDateColumn = 0;
inline constexpr int kLedgerGoodsColumn = 1;
inline constexpr int kLedgerCostColumn = 2;
inline constexpr int kLedgerPriceColumn = 3;
inline constexpr int kLedgerProfitColumn = 4;
inline constexpr int kLedgerNoteColumn = 5;

// "%d年%d月%d日" of the local date, then "%d时%d分%d秒", "%d时%d分", "%d时" or
// nothing, dropping trailing zero fields (nothing at midnight). GBK.
Text ledgerDateText(TimePoint moment);

// Price minus cost by the ledger's text-to-number rule, written as "%.13g".
Text ledgerProfitText(const Text &price, const Text &cost);

// Running total of the texts: after each addition the sum is truncated toward
// zero. Empty input gives no total.
std::optional<long long> ledgerColumnTotal(const TextArray &cells);

} // namespace orbisel
