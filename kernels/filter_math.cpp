// Logarithm, sine, cosine and arc tangent from short series in double precision.
#include "kernels/filter_math.h"

#include "kernels/filter_math_series.h"
#include "kernels/speed_settings.h"
#include "kernels/vector_levels.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// ln 2 in two parts; the high part has 32 bits, so e * kLn2High is exact.
constexpr double kLn2High = 0x1.62e42fee00000p-1;
constexpr double kLn2Low = 0x1.a39ef35793c76p-33;
constexpr double kInverseLn2 = 0x1.71547652b82fep+0;

uint64_t bitsOf(double x) {
    uint64_t b;
    std::memcpy(&b, &x, 8);
    return b;
}
double fromBits(uint64_t b) {
    double x;
    std::memcpy(&x, &b, 8);
    return x;
}

// Splits a positive finite x into 2^e * m with m in [sqrt(1/2), sqrt(2)).
void splitExponent(double x, int& e, double& m) {
    e = 0;
    if (x < 0x1p-1022) {  // subnormal: scale into the normal range first (exact)
        x *= 0x1p54;
        e = -54;
    }
    const uint64_t b = bitsOf(x);
    e += int((b >> 52) & 0x7FF) - 1023;
    m = fromBits((b & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);  // [1, 2)
    if (m > 0x1.6a09e667f3bcdp+0) {  // above sqrt(2): halve (exact)
        m *= 0.5;
        e += 1;
    }
}

// log(m) for m in [sqrt(1/2), sqrt(2)): 2 atanh(s) with s = (m - 1) / (m + 1),
// |s| < 0.1716, as 2 s (1 + z/3 + z^2/5 + ... + z^11/23), z = s^2; the first
// term left out is below 2^-58 of the sum.
double logOfReduced(double m) {
    const double f = m - 1.0;
    const double s = f / (2.0 + f);
    const double z = s * s;
    double p = 1.0 / 23;
    for (int k = 10; k >= 1; --k) p = p * z + 1.0 / double(2 * k + 1);
    p = p * z;
    return 2.0 * s + 2.0 * s * p;
}

// x = k pi/2 + r with |r| <= about pi/4; returns k mod 4. Beyond 2^30 the
// argument is first taken modulo the double nearest 2 pi (an exact
// operation, so still the same everywhere, though no longer accurate).
int reduceQuarterTurns(double x, double& r) {
    if (x > 0x1p30 || x < -0x1p30) x = std::fmod(x, 4 * kHalfPi);
    double k = x * kTwoOverPi;
    k = k >= 0 ? double(int64_t(k + 0.5)) : -double(int64_t(0.5 - k));
    r = ((x - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
    return int(int64_t(k) & 3);
}

// atan(t) for t in [0, 1]: atan(j/8) + atan((t - j/8) / (1 + t j/8)) with
// the nearest j, the second from its series up to u^15 (|u| <= 1/16).
double atanUnit(double t) {
    const int j = int(t * 8.0 + 0.5);
    const double c = double(j) * 0.125;
    const double u = (t - c) / (1.0 + t * c);
    return kAtanEighths[j] + atanSmall(u);
}

bool isNaN(double x) { return x != x; }
bool isInfinite(double x) { return x == kInfinity || x == -kInfinity; }
double copySign(double magnitude, double sign) {
    return fromBits((bitsOf(magnitude) & ~(1ull << 63)) | (bitsOf(sign) & (1ull << 63)));
}

}  // namespace

double filterLog(double x) {
    if (isNaN(x) || x < 0) return kNaN;
    if (x == 0) return -kInfinity;
    if (x == kInfinity) return kInfinity;
    int e;
    double m;
    splitExponent(x, e, m);
    const double logM = logOfReduced(m);
    return double(e) * kLn2High + (double(e) * kLn2Low + logM);
}

// For the single-precision logarithm, per c = i / 128, i = 128..256: 1 / c
// and log(c), or log(c / 2) for c above sqrt(2) (those arguments count one
// power of two more, so that results near 0 come without cancellation).
struct LogNode {
    double inverse, log;
};
constexpr LogNode kLogNodes[129] = {
    {0x1.0000000000000p+0, 0x0.0p+0},  // 128 / 128
    {0x1.fc07f01fc07f0p-1, 0x1.fe02a6b106789p-8},  // 129 / 128
    {0x1.f81f81f81f820p-1, 0x1.fc0a8b0fc03e4p-7},  // 130 / 128
    {0x1.f44659e4a4271p-1, 0x1.7b91b07d5b11bp-6},  // 131 / 128
    {0x1.f07c1f07c1f08p-1, 0x1.f829b0e783300p-6},  // 132 / 128
    {0x1.ecc07b301ecc0p-1, 0x1.39e87b9febd60p-5},  // 133 / 128
    {0x1.e9131abf0b767p-1, 0x1.77458f632dcfcp-5},  // 134 / 128
    {0x1.e573ac901e574p-1, 0x1.b42dd711971bfp-5},  // 135 / 128
    {0x1.e1e1e1e1e1e1ep-1, 0x1.f0a30c01162a6p-5},  // 136 / 128
    {0x1.de5d6e3f8868ap-1, 0x1.16536eea37ae1p-4},  // 137 / 128
    {0x1.dae6076b981dbp-1, 0x1.341d7961bd1d1p-4},  // 138 / 128
    {0x1.d77b654b82c34p-1, 0x1.51b073f06183fp-4},  // 139 / 128
    {0x1.d41d41d41d41dp-1, 0x1.6f0d28ae56b4cp-4},  // 140 / 128
    {0x1.d0cb58f6ec074p-1, 0x1.8c345d6319b21p-4},  // 141 / 128
    {0x1.cd85689039b0bp-1, 0x1.a926d3a4ad563p-4},  // 142 / 128
    {0x1.ca4b3055ee191p-1, 0x1.c5e548f5bc743p-4},  // 143 / 128
    {0x1.c71c71c71c71cp-1, 0x1.e27076e2af2e6p-4},  // 144 / 128
    {0x1.c3f8f01c3f8f0p-1, 0x1.fec9131dbeabbp-4},  // 145 / 128
    {0x1.c0e070381c0e0p-1, 0x1.0d77e7cd08e59p-3},  // 146 / 128
    {0x1.bdd2b899406f7p-1, 0x1.1b72ad52f67a0p-3},  // 147 / 128
    {0x1.bacf914c1bad0p-1, 0x1.29552f81ff523p-3},  // 148 / 128
    {0x1.b7d6c3dda338bp-1, 0x1.371fc201e8f74p-3},  // 149 / 128
    {0x1.b4e81b4e81b4fp-1, 0x1.44d2b6ccb7d1ep-3},  // 150 / 128
    {0x1.b2036406c80d9p-1, 0x1.526e5e3a1b438p-3},  // 151 / 128
    {0x1.af286bca1af28p-1, 0x1.5ff3070a793d4p-3},  // 152 / 128
    {0x1.ac5701ac5701bp-1, 0x1.6d60fe719d21dp-3},  // 153 / 128
    {0x1.a98ef606a63bep-1, 0x1.7ab890210d909p-3},  // 154 / 128
    {0x1.a6d01a6d01a6dp-1, 0x1.87fa06520c911p-3},  // 155 / 128
    {0x1.a41a41a41a41ap-1, 0x1.9525a9cf456b4p-3},  // 156 / 128
    {0x1.a16d3f97a4b02p-1, 0x1.a23bc1fe2b563p-3},  // 157 / 128
    {0x1.9ec8e951033d9p-1, 0x1.af3c94e80bff3p-3},  // 158 / 128
    {0x1.9c2d14ee4a102p-1, 0x1.bc286742d8cd6p-3},  // 159 / 128
    {0x1.999999999999ap-1, 0x1.c8ff7c79a9a22p-3},  // 160 / 128
    {0x1.970e4f80cb872p-1, 0x1.d5c216b4fbb91p-3},  // 161 / 128
    {0x1.948b0fcd6e9e0p-1, 0x1.e27076e2af2e6p-3},  // 162 / 128
    {0x1.920fb49d0e229p-1, 0x1.ef0adcbdc5936p-3},  // 163 / 128
    {0x1.8f9c18f9c18fap-1, 0x1.fb9186d5e3e2bp-3},  // 164 / 128
    {0x1.8d3018d3018d3p-1, 0x1.0402594b4d041p-2},  // 165 / 128
    {0x1.8acb90f6bf3aap-1, 0x1.0a324e27390e3p-2},  // 166 / 128
    {0x1.886e5f0abb04ap-1, 0x1.1058bf9ae4ad5p-2},  // 167 / 128
    {0x1.8618618618618p-1, 0x1.1675cababa60ep-2},  // 168 / 128
    {0x1.83c977ab2beddp-1, 0x1.1c898c16999fbp-2},  // 169 / 128
    {0x1.8181818181818p-1, 0x1.22941fbcf7966p-2},  // 170 / 128
    {0x1.7f405fd017f40p-1, 0x1.2895a13de86a3p-2},  // 171 / 128
    {0x1.7d05f417d05f4p-1, 0x1.2e8e2bae11d31p-2},  // 172 / 128
    {0x1.7ad2208e0ecc3p-1, 0x1.347dd9a987d55p-2},  // 173 / 128
    {0x1.78a4c8178a4c8p-1, 0x1.3a64c556945eap-2},  // 174 / 128
    {0x1.767dce434a9b1p-1, 0x1.404308686a7e4p-2},  // 175 / 128
    {0x1.745d1745d1746p-1, 0x1.4618bc21c5ec2p-2},  // 176 / 128
    {0x1.724287f46debcp-1, 0x1.4be5f957778a1p-2},  // 177 / 128
    {0x1.702e05c0b8170p-1, 0x1.51aad872df82dp-2},  // 178 / 128
    {0x1.6e1f76b4337c7p-1, 0x1.5767717455a6cp-2},  // 179 / 128
    {0x1.6c16c16c16c17p-1, 0x1.5d1bdbf5809cap-2},  // 180 / 128
    {0x1.6a13cd1537290p-1, 0x1.62c82f2b9c795p-2},  // 181 / 128
    {0x1.6816816816817p-1, -0x1.5d5bddf595f30p-2},  // 182 / 128, halved
    {0x1.661ec6a5122f9p-1, -0x1.57bf753c8d1fbp-2},  // 183 / 128, halved
    {0x1.642c8590b2164p-1, -0x1.522ae0738a3d8p-2},  // 184 / 128, halved
    {0x1.623fa77016240p-1, -0x1.4c9e09e172c3cp-2},  // 185 / 128, halved
    {0x1.6058160581606p-1, -0x1.4718dc271c41bp-2},  // 186 / 128, halved
    {0x1.5e75bb8d015e7p-1, -0x1.419b423d5e8c7p-2},  // 187 / 128, halved
    {0x1.5c9882b931057p-1, -0x1.3c25277333184p-2},  // 188 / 128, halved
    {0x1.5ac056b015ac0p-1, -0x1.36b6776be1117p-2},  // 189 / 128, halved
    {0x1.58ed2308158edp-1, -0x1.314f1e1d35ce4p-2},  // 190 / 128, halved
    {0x1.571ed3c506b3ap-1, -0x1.2bef07cdc9354p-2},  // 191 / 128, halved
    {0x1.5555555555555p-1, -0x1.269621134db92p-2},  // 192 / 128, halved
    {0x1.5390948f40febp-1, -0x1.214456d0eb8d4p-2},  // 193 / 128, halved
    {0x1.51d07eae2f815p-1, -0x1.1bf99635a6b95p-2},  // 194 / 128, halved
    {0x1.5015015015015p-1, -0x1.16b5ccbacfb73p-2},  // 195 / 128, halved
    {0x1.4e5e0a72f0539p-1, -0x1.1178e8227e47cp-2},  // 196 / 128, halved
    {0x1.4cab88725af6ep-1, -0x1.0c42d676162e3p-2},  // 197 / 128, halved
    {0x1.4afd6a052bf5bp-1, -0x1.07138604d5862p-2},  // 198 / 128, halved
    {0x1.49539e3b2d067p-1, -0x1.01eae5626c691p-2},  // 199 / 128, halved
    {0x1.47ae147ae147bp-1, -0x1.f991c6cb3b379p-3},  // 200 / 128, halved
    {0x1.460cbc7f5cf9ap-1, -0x1.ef5ade4dcffe6p-3},  // 201 / 128, halved
    {0x1.446f86562d9fbp-1, -0x1.e530effe71012p-3},  // 202 / 128, halved
    {0x1.42d6625d51f87p-1, -0x1.db13db0d48940p-3},  // 203 / 128, halved
    {0x1.4141414141414p-1, -0x1.d1037f2655e7bp-3},  // 204 / 128, halved
    {0x1.3fb013fb013fbp-1, -0x1.c6ffbc6f00f71p-3},  // 205 / 128, halved
    {0x1.3e22cbce4a902p-1, -0x1.bd087383bd8adp-3},  // 206 / 128, halved
    {0x1.3c995a47babe7p-1, -0x1.b31d8575bce3dp-3},  // 207 / 128, halved
    {0x1.3b13b13b13b14p-1, -0x1.a93ed3c8ad9e3p-3},  // 208 / 128, halved
    {0x1.3991c2c187f63p-1, -0x1.9f6c407089664p-3},  // 209 / 128, halved
    {0x1.3813813813814p-1, -0x1.95a5adcf7017fp-3},  // 210 / 128, halved
    {0x1.3698df3de0748p-1, -0x1.8beafeb38fe8cp-3},  // 211 / 128, halved
    {0x1.3521cfb2b78c1p-1, -0x1.823c16551a3c2p-3},  // 212 / 128, halved
    {0x1.33ae45b57bcb2p-1, -0x1.7898d85444c73p-3},  // 213 / 128, halved
    {0x1.323e34a2b10bfp-1, -0x1.6f0128b756abcp-3},  // 214 / 128, halved
    {0x1.30d190130d190p-1, -0x1.6574ebe8c133ap-3},  // 215 / 128, halved
    {0x1.2f684bda12f68p-1, -0x1.5bf406b543db2p-3},  // 216 / 128, halved
    {0x1.2e025c04b8097p-1, -0x1.527e5e4a1b58dp-3},  // 217 / 128, halved
    {0x1.2c9fb4d812ca0p-1, -0x1.4913d8333b561p-3},  // 218 / 128, halved
    {0x1.2b404ad012b40p-1, -0x1.3fb45a59928ccp-3},  // 219 / 128, halved
    {0x1.29e4129e4129ep-1, -0x1.365fcb0159016p-3},  // 220 / 128, halved
    {0x1.288b01288b013p-1, -0x1.2d1610c86813ap-3},  // 221 / 128, halved
    {0x1.27350b8812735p-1, -0x1.23d712a49c202p-3},  // 222 / 128, halved
    {0x1.25e22708092f1p-1, -0x1.1aa2b7e23f72ap-3},  // 223 / 128, halved
    {0x1.2492492492492p-1, -0x1.1178e8227e47cp-3},  // 224 / 128, halved
    {0x1.23456789abcdfp-1, -0x1.08598b59e3a07p-3},  // 225 / 128, halved
    {0x1.21fb78121fb78p-1, -0x1.fe89139dbd566p-4},  // 226 / 128, halved
    {0x1.20b470c67c0d9p-1, -0x1.ec739830a1120p-4},  // 227 / 128, halved
    {0x1.1f7047dc11f70p-1, -0x1.da727638446a2p-4},  // 228 / 128, halved
    {0x1.1e2ef3b3fb874p-1, -0x1.c885801bc4b23p-4},  // 229 / 128, halved
    {0x1.1cf06ada2811dp-1, -0x1.b6ac88dad5b1cp-4},  // 230 / 128, halved
    {0x1.1bb4a4046ed29p-1, -0x1.a4e7640b1bc38p-4},  // 231 / 128, halved
    {0x1.1a7b9611a7b96p-1, -0x1.9335e5d594989p-4},  // 232 / 128, halved
    {0x1.19453808ca29cp-1, -0x1.8197e2f40e3f0p-4},  // 233 / 128, halved
    {0x1.1811811811812p-1, -0x1.700d30aeac0e1p-4},  // 234 / 128, halved
    {0x1.16e0689427379p-1, -0x1.5e95a4d9791cbp-4},  // 235 / 128, halved
    {0x1.15b1e5f75270dp-1, -0x1.4d3115d207eacp-4},  // 236 / 128, halved
    {0x1.1485f0e0acd3bp-1, -0x1.3bdf5a7d1ee64p-4},  // 237 / 128, halved
    {0x1.135c81135c811p-1, -0x1.2aa04a44717a5p-4},  // 238 / 128, halved
    {0x1.12358e75d3033p-1, -0x1.1973bd1465567p-4},  // 239 / 128, halved
    {0x1.1111111111111p-1, -0x1.08598b59e3a07p-4},  // 240 / 128, halved
    {0x1.0fef010fef011p-1, -0x1.eea31c006b87cp-5},  // 241 / 128, halved
    {0x1.0ecf56be69c90p-1, -0x1.ccb73cdddb2ccp-5},  // 242 / 128, halved
    {0x1.0db20a88f4696p-1, -0x1.aaef2d0fb10fcp-5},  // 243 / 128, halved
    {0x1.0c9714fbcda3bp-1, -0x1.894aa149fb343p-5},  // 244 / 128, halved
    {0x1.0b7e6ec259dc8p-1, -0x1.67c94f2d4bb58p-5},  // 245 / 128, halved
    {0x1.0a6810a6810a7p-1, -0x1.466aed42de3eap-5},  // 246 / 128, halved
    {0x1.0953f39010954p-1, -0x1.252f32f8d183fp-5},  // 247 / 128, halved
    {0x1.0842108421084p-1, -0x1.0415d89e74444p-5},  // 248 / 128, halved
    {0x1.073260a47f7c6p-1, -0x1.c63d2ec14aaf2p-6},  // 249 / 128, halved
    {0x1.0624dd2f1a9fcp-1, -0x1.8492528c8cabfp-6},  // 250 / 128, halved
    {0x1.05197f7d73404p-1, -0x1.432a925980cc1p-6},  // 251 / 128, halved
    {0x1.0410410410410p-1, -0x1.0205658935847p-6},  // 252 / 128, halved
    {0x1.03091b51f5e1ap-1, -0x1.82448a388a2aap-7},  // 253 / 128, halved
    {0x1.0204081020408p-1, -0x1.010157588de71p-7},  // 254 / 128, halved
    {0x1.0101010101010p-1, -0x1.0080559588b35p-8},  // 255 / 128, halved
    {0x1.0000000000000p-1, 0x0.0p+0},  // 256 / 128, halved
};
constexpr int kLogNodeHalvedFrom = 182;

// The only floats whose logarithm lies so close to a rounding boundary that
// the evaluation below rounds it the wrong way (every positive float was
// checked): their correctly rounded results.
struct HardCase {
    uint32_t x, result;
};
constexpr HardCase kLogHardCases[] = {
    {0x3C413D3Au, 0xC08E158Fu},  // log(0x1.827a74p-7) = -0x1.1c2b1ep+2
    {0x41178FEBu, 0x400FE5E7u},  // log(0x1.2f1fd6p+3) = 0x1.1fcbcep+1
    {0x4C5D65A5u, 0x418F034Bu},  // log(0x1.bacb4ap+25) = 0x1.1e0696p+4
    {0x65D890D3u, 0x4254D1F9u},  // log(0x1.b121a6p+76) = 0x1.a9a3f2p+5
    {0x6F31A8ECu, 0x42845A89u},  // log(0x1.6351d8p+95) = 0x1.08b512p+6
};

namespace {
// The nodes' two columns as arrays of their own (a vector loop gathers from them).
template <double LogNode::*kField>
constexpr std::array<double, 129> nodeColumn() {
    std::array<double, 129> column{};
    for (size_t i = 0; i < column.size(); ++i) column[i] = kLogNodes[i].*kField;
    return column;
}
constexpr std::array<double, 129> kNodeInverse = nodeColumn<&LogNode::inverse>();
constexpr std::array<double, 129> kNodeLog = nodeColumn<&LogNode::log>();

// The general case of the single-precision logarithm, for a positive normal
// x that is not a hard case. Plain arithmetic with no branch, so that a loop
// over it can be vectorised.
inline __attribute__((always_inline)) float logOfNormal(uint32_t bits) {
    // x = 2^e m, m in [1, 2) with 23 fraction bits; c = i / 128 nearest m, so
    // r = (m - c) / c is in [-1/256, 1/256] and m - c is exact.
    const int i = int(((bits & 0x7FFFFFu) + (1u << 15)) >> 16) + 128;
    const int e = int(bits >> 23) - 127 + (i >= kLogNodeHalvedFrom ? 1 : 0);
    const double difference = double(int32_t(bits & 0x7FFFFFu) - int32_t((i - 128) << 16)) * 0x1p-23;
    const double r = difference * kNodeInverse[size_t(i - 128)];
    // log(1 + r) = r + r^2 q, q = -1/2 + r/3 - r^2/4 + ... - r^6/8 (the first
    // term left out is below 2^-59 of r), q in pairs of terms so that the
    // multiplications need not wait for each other.
    const double r2 = r * r;
    const double q = ((-1.0 / 2 + r * (1.0 / 3)) + r2 * (-1.0 / 4 + r * (1.0 / 5))) +
                     (r2 * r2) * ((-1.0 / 6 + r * (1.0 / 7)) + r2 * (-1.0 / 8));
    const double log1pR = r + r2 * q;
    return float(double(e) * kLn2High + ((double(e) * kLn2Low + kNodeLog[size_t(i - 128)]) + log1pR));
}

bool isHardCase(uint32_t bits) {
    for (const HardCase& hard : kLogHardCases)
        if (bits == hard.x) return true;
    return false;
}

// 0, subnormal, negative, infinity and NaN take the double logarithm.
bool isUnusual(uint32_t bits) { return bits - 0x00800000u >= 0x7F000000u; }

uint32_t floatBits(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    return bits;
}
}  // namespace

float filterLog(float x) {
    const uint32_t bits = floatBits(x);
    if (isUnusual(bits)) return float(filterLog(double(x)));
    for (const HardCase& hard : kLogHardCases) {
        if (bits == hard.x) {
            float result;
            std::memcpy(&result, &hard.result, 4);
            return result;
        }
    }
    return logOfNormal(bits);
}

namespace {
// Every value as if it were a normal one (any bits give a node in the table),
// then the unusual values and the hard cases again one by one.
inline __attribute__((always_inline)) void logRun(const float* __restrict x, float* __restrict out, int count) {
    for (int i = 0; i < count; ++i) out[i] = logOfNormal(floatBits(x[i]));
    for (int i = 0; i < count; ++i) {
        const uint32_t bits = floatBits(x[i]);
        if (isUnusual(bits) || isHardCase(bits)) out[i] = filterLog(x[i]);
    }
}
void logRunBase(const float* x, float* out, int count) { logRun(x, out, count); }
#if defined(TWL_X86_VECTORS)
TWL_AVX2 void logRunAvx2(const float* x, float* out, int count) { logRun(x, out, count); }
TWL_AVX512 void logRunAvx512(const float* x, float* out, int count) { logRun(x, out, count); }
#endif

using LogRun = void (*)(const float*, float*, int);
constexpr LevelTable<LogRun> kLogRuns = {logRunBase, logRunBase, TWL_X86_ENTRY(logRunAvx2),
                                         TWL_X86_ENTRY(logRunAvx512)};
}  // namespace

void filterLogRun(const float* x, float* out, int count) { kLogRuns[activeSimdLevel()](x, out, count); }

double filterLog2(double x) {
    if (isNaN(x) || x < 0) return kNaN;
    if (x == 0) return -kInfinity;
    if (x == kInfinity) return kInfinity;
    int e;
    double m;
    splitExponent(x, e, m);
    return double(e) + logOfReduced(m) * kInverseLn2;
}

double filterSin(double x) {
    if (isNaN(x) || isInfinite(x)) return kNaN;
    double r;
    switch (reduceQuarterTurns(x, r)) {
        case 0: return sinOfReduced(r);
        case 1: return cosOfReduced(r);
        case 2: return -sinOfReduced(r);
        default: return -cosOfReduced(r);
    }
}

double filterCos(double x) {
    if (isNaN(x) || isInfinite(x)) return kNaN;
    double r;
    switch (reduceQuarterTurns(x, r)) {
        case 0: return cosOfReduced(r);
        case 1: return -sinOfReduced(r);
        case 2: return -cosOfReduced(r);
        default: return sinOfReduced(r);
    }
}

float filterSin(float x) { return float(filterSin(double(x))); }
float filterCos(float x) { return float(filterCos(double(x))); }

double filterAtan2(double y, double x) {
    if (isNaN(x) || isNaN(y)) return kNaN;
    const bool xNegative = (bitsOf(x) >> 63) != 0;
    if (y == 0) {
        // atan2(+-0, x): +-0 for x > 0 or +0, +-pi for x < 0 or -0.
        return xNegative ? copySign(kPi, y) : y;
    }
    if (isInfinite(x) || isInfinite(y)) {
        double angle;
        if (isInfinite(x) && isInfinite(y)) angle = xNegative ? 0x1.2d97c7f3321d2p+1 : kHalfPi / 2;  // 3 pi/4, pi/4
        else if (isInfinite(y)) angle = kHalfPi;
        else angle = xNegative ? kPi : 0.0;
        return copySign(angle, y);
    }
    if (x == 0) return copySign(kHalfPi, y);
    const double ax = x < 0 ? -x : x;
    const double ay = y < 0 ? -y : y;
    double angle;
    if (ay <= ax) angle = atanUnit(ay / ax);
    else angle = (kHalfPi - atanUnit(ax / ay)) + kHalfPiLow;
    if (xNegative) angle = (kPi - angle) + kPiLow;
    return copySign(angle, y);
}

float filterAtan2(float y, float x) { return float(filterAtan2(double(y), double(x))); }
