// Financial functions: annuities (PMT, PV, FV, NPER, RATE, IPMT, PPMT), cash flows (NPV, IRR,
// XNPV, XIRR) and straight-line depreciation.
#include <algorithm>
#include <cmath>

#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

// Future value of the annuity with the given payment; `type` 1 pays at the start of a period.
double FutureValue(double rate, double nper, double pmt, double pv, double type) {
  if (rate == 0) return -(pv + pmt * nper);
  double g = std::pow(1 + rate, nper);
  return -(pv * g + pmt * (1 + rate * type) * (g - 1) / rate);
}

double Payment(double rate, double nper, double pv, double fv, double type) {
  if (rate == 0) return -(pv + fv) / nper;
  double g = std::pow(1 + rate, nper);
  return -(pv * g + fv) * rate / ((1 + rate * type) * (g - 1));
}

struct Annuity {
  double rate = 0, nper = 0, pmt = 0, pv = 0, fv = 0, type = 0;
};

ExcelValue FnPmt(FunctionCall& c) {
  Annuity a;
  if (!c.Number(0, &a.rate) || !c.Number(1, &a.nper) || !c.Number(2, &a.pv) || !c.NumberOr(3, 0, &a.fv) ||
      !c.NumberOr(4, 0, &a.type))
    return c.Fail();
  if (a.nper == 0) return MakeError(kErrorNum);
  return MakeNumber(Payment(a.rate, a.nper, a.pv, a.fv, a.type != 0));
}

ExcelValue FnFv(FunctionCall& c) {
  Annuity a;
  if (!c.Number(0, &a.rate) || !c.Number(1, &a.nper) || !c.NumberOr(2, 0, &a.pmt) || !c.NumberOr(3, 0, &a.pv) ||
      !c.NumberOr(4, 0, &a.type))
    return c.Fail();
  return MakeNumber(FutureValue(a.rate, a.nper, a.pmt, a.pv, a.type != 0));
}

ExcelValue FnPv(FunctionCall& c) {
  Annuity a;
  if (!c.Number(0, &a.rate) || !c.Number(1, &a.nper) || !c.NumberOr(2, 0, &a.pmt) || !c.NumberOr(3, 0, &a.fv) ||
      !c.NumberOr(4, 0, &a.type))
    return c.Fail();
  double t = a.type != 0;
  if (a.rate == 0) return MakeNumber(-(a.fv + a.pmt * a.nper));
  double g = std::pow(1 + a.rate, a.nper);
  return MakeNumber(-(a.fv + a.pmt * (1 + a.rate * t) * (g - 1) / a.rate) / g);
}

ExcelValue FnNper(FunctionCall& c) {
  Annuity a;
  if (!c.Number(0, &a.rate) || !c.Number(1, &a.pmt) || !c.Number(2, &a.pv) || !c.NumberOr(3, 0, &a.fv) ||
      !c.NumberOr(4, 0, &a.type))
    return c.Fail();
  double t = a.type != 0;
  if (a.rate == 0) return a.pmt == 0 ? MakeError(kErrorNum) : MakeNumber(-(a.pv + a.fv) / a.pmt);
  double k = a.pmt * (1 + a.rate * t) / a.rate;
  double num = k - a.fv, den = a.pv + k;
  if (den == 0 || num / den <= 0) return MakeError(kErrorNum);
  return MakeNumber(std::log(num / den) / std::log(1 + a.rate));
}

ExcelValue FnRate(FunctionCall& c) {
  Annuity a;
  double guess = 0.1;
  if (!c.Number(0, &a.nper) || !c.Number(1, &a.pmt) || !c.Number(2, &a.pv) || !c.NumberOr(3, 0, &a.fv) ||
      !c.NumberOr(4, 0, &a.type) || !c.NumberOr(5, 0.1, &guess))
    return c.Fail();
  double t = a.type != 0, r = guess;
  // Newton's method on the future value, as the application iterates (20 steps, 1e-7).
  for (int32_t i = 0; i < 100; ++i) {
    double f = -FutureValue(r, a.nper, a.pmt, a.pv, t) - a.fv;
    double h = std::max(1e-7, std::fabs(r) * 1e-6);
    double d = (-FutureValue(r + h, a.nper, a.pmt, a.pv, t) - a.fv - f) / h;
    if (d == 0 || !std::isfinite(d)) break;
    double next = r - f / d;
    if (!std::isfinite(next) || next <= -1) break;
    if (std::fabs(next - r) < 1e-10) return MakeNumber(next);
    r = next;
  }
  return MakeError(kErrorNum);
}

// IPMT and PPMT: interest and principal of period `per`.
ExcelValue InterestPart(FunctionCall& c, bool principal) {
  Annuity a;
  double per = 0;
  if (!c.Number(0, &a.rate) || !c.Number(1, &per) || !c.Number(2, &a.nper) || !c.Number(3, &a.pv) ||
      !c.NumberOr(4, 0, &a.fv) || !c.NumberOr(5, 0, &a.type))
    return c.Fail();
  double t = a.type != 0;
  if (per < 1 || per > a.nper || a.nper == 0) return MakeError(kErrorNum);
  double pmt = Payment(a.rate, a.nper, a.pv, a.fv, t);
  double interest;
  if (per == 1 && t == 1) {
    interest = 0;
  } else {
    double balance = -FutureValue(a.rate, per - 1, pmt, a.pv, t);
    interest = -balance * a.rate;
    if (t == 1) interest /= 1 + a.rate;
  }
  return MakeNumber(principal ? pmt - interest : interest);
}
ExcelValue FnIpmt(FunctionCall& c) { return InterestPart(c, false); }
ExcelValue FnPpmt(FunctionCall& c) { return InterestPart(c, true); }

ExcelValue FnNpv(FunctionCall& c) {
  NUMBER_ARG(c, 0, rate);
  std::vector<double> flows;
  if (!c.CollectNumbers(1, c.Count(), false, &flows)) return c.Fail();
  if (rate == -1) return MakeError(kErrorDiv0);
  double sum = 0, factor = 1;
  for (double f : flows) {
    factor *= 1 + rate;
    sum += f / factor;
  }
  return MakeNumber(sum);
}

ExcelValue FnIrr(FunctionCall& c) {
  std::vector<double> flows;
  if (!c.CollectNumbers(0, 1, false, &flows)) return c.Fail();
  double r = 0.1;
  if (!c.NumberOr(1, 0.1, &r)) return c.Fail();
  for (int32_t i = 0; i < 100; ++i) {
    double f = 0, d = 0, factor = 1;
    for (size_t k = 0; k < flows.size(); ++k) {
      f += flows[k] / factor;
      d -= double(k) * flows[k] / (factor * (1 + r));
      factor *= 1 + r;
    }
    if (d == 0 || !std::isfinite(d)) break;
    double next = r - f / d;
    if (!std::isfinite(next) || next <= -1) break;
    if (std::fabs(next - r) < 1e-10) return MakeNumber(next);
    r = next;
  }
  return MakeError(kErrorNum);
}

bool DatedFlows(FunctionCall& c, size_t valuesArg, size_t datesArg, std::vector<double>* values,
                std::vector<double>* dates) {
  auto v = c.Array(valuesArg), d = c.Array(datesArg);
  if (!v || !d) return false;
  if (v->items.size() != d->items.size() || v->items.empty()) return c.SetError(kErrorNum);
  for (size_t i = 0; i < v->items.size(); ++i) {
    double x = 0, t = 0;
    ErrorID e = kErrorValue;
    if (!CoerceToNumber(v->items[i], false, &x, &e) || !CoerceToNumber(d->items[i], false, &t, &e))
      return c.SetError(e);
    if (t < 0 || std::floor(t) < std::floor((*dates).empty() ? t : (*dates)[0])) return c.SetError(kErrorNum);
    values->push_back(x);
    dates->push_back(std::floor(t));
  }
  return true;
}

double Xnpv(double rate, const std::vector<double>& v, const std::vector<double>& d) {
  double sum = 0;
  for (size_t i = 0; i < v.size(); ++i) sum += v[i] / std::pow(1 + rate, (d[i] - d[0]) / 365.0);
  return sum;
}

ExcelValue FnXnpv(FunctionCall& c) {
  NUMBER_ARG(c, 0, rate);
  std::vector<double> v, d;
  if (!DatedFlows(c, 1, 2, &v, &d)) return c.Fail();
  if (rate <= -1) return MakeError(kErrorNum);
  return MakeNumber(Xnpv(rate, v, d));
}

ExcelValue FnXirr(FunctionCall& c) {
  std::vector<double> v, d;
  if (!DatedFlows(c, 0, 1, &v, &d)) return c.Fail();
  double r = 0.1;
  if (!c.NumberOr(2, 0.1, &r)) return c.Fail();
  for (int32_t i = 0; i < 100; ++i) {
    double f = Xnpv(r, v, d), h = 1e-7;
    double df = (Xnpv(r + h, v, d) - f) / h;
    if (df == 0 || !std::isfinite(df)) break;
    double next = r - f / df;
    if (!std::isfinite(next) || next <= -1) next = (r - 1) / 2;
    if (std::fabs(next - r) < 1e-10) return MakeNumber(next);
    r = next;
  }
  return MakeError(kErrorNum);
}

ExcelValue FnSln(FunctionCall& c) {
  NUMBER_ARG(c, 0, cost);
  NUMBER_ARG(c, 1, salvage);
  NUMBER_ARG(c, 2, life);
  if (life == 0) return MakeError(kErrorDiv0);
  return MakeNumber((cost - salvage) / life);
}

ExcelValue FnSyd(FunctionCall& c) {
  NUMBER_ARG(c, 0, cost);
  NUMBER_ARG(c, 1, salvage);
  NUMBER_ARG(c, 2, life);
  NUMBER_ARG(c, 3, per);
  if (life <= 0 || per <= 0 || per > life) return MakeError(kErrorNum);
  return MakeNumber((cost - salvage) * (life - per + 1) * 2 / (life * (life + 1)));
}

// DDB: declining balance at `factor` / life per period, never below the salvage value.
ExcelValue FnDdb(FunctionCall& c) {
  NUMBER_ARG(c, 0, cost);
  NUMBER_ARG(c, 1, salvage);
  NUMBER_ARG(c, 2, life);
  NUMBER_ARG(c, 3, period);
  double factor = 2;
  if (!c.NumberOr(4, 2, &factor)) return c.Fail();
  if (cost < 0 || salvage < 0 || life <= 0 || period <= 0 || period > life || factor <= 0) return MakeError(kErrorNum);
  double rate = std::min(factor / life, 1.0), value = cost, depreciation = 0;
  for (int32_t p = 1; p <= int32_t(std::ceil(period)) && p <= 10000; ++p) {
    depreciation = std::max(0.0, std::min(value * rate, value - salvage));
    value -= depreciation;
  }
  return MakeNumber(depreciation);
}

ExcelValue FnEffect(FunctionCall& c) {
  NUMBER_ARG(c, 0, nominal);
  NUMBER_ARG(c, 1, periods);
  periods = std::trunc(periods);
  if (nominal <= 0 || periods < 1) return MakeError(kErrorNum);
  return MakeNumber(std::pow(1 + nominal / periods, periods) - 1);
}

ExcelValue FnNominal(FunctionCall& c) {
  NUMBER_ARG(c, 0, effect);
  NUMBER_ARG(c, 1, periods);
  periods = std::trunc(periods);
  if (effect <= 0 || periods < 1) return MakeError(kErrorNum);
  return MakeNumber(periods * (std::pow(1 + effect, 1 / periods) - 1));
}

const FunctionSpec kSpecs[] = {
    {"SYD", 4, 4, FnSyd, 0},
    {"DDB", 4, 5, FnDdb, 0},
    {"EFFECT", 2, 2, FnEffect, 0},
    {"NOMINAL", 2, 2, FnNominal, 0},
    {"PMT", 3, 5, FnPmt, 0},
    {"PV", 3, 5, FnPv, 0},
    {"FV", 3, 5, FnFv, 0},
    {"NPER", 3, 5, FnNper, 0},
    {"RATE", 3, 6, FnRate, 0},
    {"IPMT", 4, 6, FnIpmt, 0},
    {"PPMT", 4, 6, FnPpmt, 0},
    {"NPV", 2, 255, FnNpv, 0},
    {"IRR", 1, 2, FnIrr, 0},
    {"XNPV", 3, 3, FnXnpv, 0},
    {"XIRR", 2, 3, FnXirr, 0},
    {"SLN", 3, 3, FnSln, 0},
};

}  // namespace

FunctionFamily FinanceFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
