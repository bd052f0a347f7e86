#pragma once

namespace orbisel {

// Registers the ledger window (WindowId::Ledger) and the ledger entry form
// (WindowId::LedgerEntry) with the window catalogue.
void registerLedgerWindows();

} // namespace orbisel
