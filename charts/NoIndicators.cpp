// The candle charts of a program built without the indicator side: they
// show candles only.
#include "charts/StockChartCtl.h"

std::unique_ptr<IStockIndicators> MakeStockIndicators() { return nullptr; }
