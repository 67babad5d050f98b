#pragma once
// Seeds the benchmark database: 20,000 tenants (K00000..K19999), 2,000 rooms
// (1000..2999) of which 1,800 are let to K00000..K01799, two years of monthly
// reading tables up to this month (one reading per let room each month),
// `chargeRows` rows in each of the four charge tables and 2,000 check-outs.
void seedBenchDatabase(int chargeRows);
