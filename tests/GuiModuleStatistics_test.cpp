// The generator as a host sees it over many triggers: every r's value, and the runtime's real draws
// with fixed seeds. The chi-square tests reject at p = 0.001; the seeds are fixed, so each result
// is the same on every run.
#include "GuiModule.h"
#include "RandomSource.h"
#include "RecordingHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace {
constexpr int64_t kLastR = RandomSource::kMaxValue;

// How often each value comes out over all r, by the formula in exact arithmetic:
// low + (upper - low) * r / 32767, truncated toward zero.
std::map<int32_t, int> FormulaCounts(int32_t low, int64_t upper) {
    std::map<int32_t, int> counts;
    for (int64_t r = 0; r <= kLastR; ++r) {
        ++counts[static_cast<int32_t>((low * kLastR + (upper - low) * r) / kLastR)];
    }
    return counts;
}

// The upper chi-square quantile for p = 0.001 by the Wilson-Hilferty approximation: 2% above the
// true value at 3 degrees of freedom, within 0.1% from 48 on.
double ChiSquareCritical(int degrees_of_freedom) {
    const double z = 3.090232;  // the standard normal's upper 0.001 quantile
    const double k = degrees_of_freedom;
    const double a = 2.0 / (9.0 * k);
    return k * std::pow(1.0 - a + z * std::sqrt(a), 3.0);
}

// One GUI object on a recording host, its generator seeded after construction as a host may.
class Generator {
public:
    Generator(int32_t mode, int32_t lolimit, int32_t hilimit, unsigned seed)
        : m_module(RecordingHost::Callback, 0) {
        m_host.pin_values = {{GuiModule::PIN_MODES, mode},
                             {GuiModule::PIN_TRIGGER, 1},
                             {GuiModule::PIN_LOLIMIT, lolimit},
                             {GuiModule::PIN_HILIMIT, hilimit}};
        RandomSource::Seed(seed);
    }

    std::pair<int32_t, int32_t> Trigger() {
        GuiHostRecord* record = m_module.HostRecord();
        record->dispatcher(record, GUI_OP_PIN_CHANGED, GuiModule::PIN_TRIGGER, 0, nullptr, 0.0f);
        m_host.calls.clear();
        return {m_host.pin_values[GuiModule::PIN_OUT1], m_host.pin_values[GuiModule::PIN_OUT2]};
    }

private:
    RecordingHost m_host;
    GuiModule m_module;
};
}  // namespace

TEST(GuiModuleStatistics, EveryRLandsBetweenTheLimitsAsOftenAsTheFormulaSays) {
    // Limits near zero, where single precision keeps enough of the sum's fraction for the draw to
    // equal the formula in exact arithmetic.
    const std::pair<int32_t, int32_t> limits[] = {{5, 5},      {0, 1},   {0, 2},    {0, 6},
                                                  {0, 10},     {0, 999}, {-10, -4}, {-3, 3},
                                                  {-500, 499}, {10, 0},  {-3, -10}, {4, -4}};
    for (const auto& [lolimit, hilimit] : limits) {
        SCOPED_TRACE(std::to_string(lolimit) + ".." + std::to_string(hilimit));
        const int64_t upper = int64_t{hilimit} + 1;
        std::map<int32_t, int> counts;
        for (int32_t r = 0; r <= kLastR; ++r) {
            const int32_t value = GuiModule::DrawInRange(lolimit, upper, r);
            EXPECT_TRUE(std::min<int64_t>(lolimit, upper) <= value &&
                        value <= std::max<int64_t>(lolimit, upper))
                << "r " << r << " gives " << value;
            ++counts[value];
        }
        EXPECT_EQ(GuiModule::DrawInRange(lolimit, upper, kLastR), upper);
        // Truncation runs away from upper here, so only r 32767 reaches it; in negative and
        // swapped ranges it runs toward upper, which then collects a share like its neighbours.
        if (0 <= lolimit && lolimit <= hilimit) {
            EXPECT_EQ(counts[static_cast<int32_t>(upper)], 1);
        }
        EXPECT_EQ(counts, FormulaCounts(lolimit, upper));
    }
}

TEST(GuiModuleStatistics, NormalPairsFillTheirTableAsIndependentDraws) {
    struct Case {
        int32_t values;  // Lolimit 0, Hilimit values - 1: Hilimit + 1 only for r 32767
        int triggers;
        unsigned seed;
    };
    for (const Case& c :
         {Case{2, 2000, 11}, Case{7, 5000, 12}, Case{11, 8000, 13}, Case{31, 40000, 14}}) {
        SCOPED_TRACE(std::to_string(c.values) + " values");
        std::map<int32_t, int> formula = FormulaCounts(0, c.values);
        formula.erase(c.values);
        Generator generator(GuiModule::MODE_NORMAL, 0, c.values - 1, c.seed);
        std::map<std::pair<int32_t, int32_t>, int> table;
        int pairs = 0;
        for (int i = 0; i < c.triggers; ++i) {
            const std::pair<int32_t, int32_t> pair = generator.Trigger();
            if (pair.first == c.values || pair.second == c.values) continue;
            ++table[pair];
            ++pairs;
        }
        double chi_square = 0.0;
        for (const auto& [out1, count1] : formula) {
            for (const auto& [out2, count2] : formula) {
                const double expected =
                    pairs * (count1 / double(kLastR)) * (count2 / double(kLastR));
                const double deviation = table[{out1, out2}] - expected;
                chi_square += deviation * deviation / expected;
            }
        }
        // Every cell between the limits is in the table now; any other is a value beyond them.
        EXPECT_EQ(table.size(), formula.size() * formula.size());
        EXPECT_LT(chi_square, ChiSquareCritical(c.values * c.values - 1));
    }
}

TEST(GuiModuleStatistics, DifferRepeatsOut1AsOftenAsOneRetryAllows) {
    for (const int32_t values : {2, 3, 7}) {
        SCOPED_TRACE(std::to_string(values) + " values");
        // Out2 equals Out1 only when both the second draw and its retry hit Out1's value.
        double equal_probability = 0.0;
        for (const auto& [value, count] : FormulaCounts(0, values)) {
            equal_probability += std::pow(count / double(kLastR + 1), 3.0);
        }
        Generator generator(GuiModule::MODE_DIFFER, 0, values - 1, 20 + values);
        const int triggers = 4000;
        int equal = 0;
        for (int i = 0; i < triggers; ++i) {
            const std::pair<int32_t, int32_t> pair = generator.Trigger();
            equal += pair.first == pair.second;
        }
        const double expected = triggers * equal_probability;
        const double deviation = equal - expected;
        const double chi_square =
            deviation * deviation / expected + deviation * deviation / (triggers - expected);
        // One degree of freedom: the square of the normal's two-sided 0.001 quantile.
        EXPECT_LT(chi_square, 3.290527 * 3.290527) << equal << " equal pairs";
    }
}

TEST(GuiModuleStatistics, SumPairsAddUpToHilimitWithWrapAround) {
    const std::pair<int32_t, int32_t> limits[] = {{0, 10},
                                                  {-5, 5},
                                                  {10, -10},
                                                  {INT32_MIN, INT32_MAX},
                                                  {0, INT32_MAX},
                                                  {INT32_MAX - 5, INT32_MAX},
                                                  {INT32_MAX, INT32_MIN}};
    for (const auto& [lolimit, hilimit] : limits) {
        SCOPED_TRACE(std::to_string(lolimit) + ".." + std::to_string(hilimit));
        Generator generator(GuiModule::MODE_SUM, lolimit, hilimit, 31);
        for (int i = 0; i < 2000; ++i) {
            const std::pair<int32_t, int32_t> pair = generator.Trigger();
            ASSERT_EQ(static_cast<uint32_t>(pair.first) + static_cast<uint32_t>(pair.second),
                      static_cast<uint32_t>(hilimit))
                << pair.first << " + " << pair.second;
        }
    }
}
