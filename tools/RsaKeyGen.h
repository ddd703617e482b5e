// Making RSA key pairs of a given size, for the key tool and the tests.
#pragma once

#include <openssl/bn.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tools {

struct RsaKeyPair {
  std::string Modulus, PublicExponent, PrivateExponent;  // upper-case hexadecimal
};

// n = p * q of exactly `bits` bits (two primes of bits/2); e of exactly
// `exponentBits` bits, prime to (p-1)(q-1); d = e^-1 mod (p-1)(q-1).
inline RsaKeyPair GenerateRsaKeyPair(int bits = 128, int exponentBits = 16) {
  using Bn = std::unique_ptr<BIGNUM, decltype(&BN_free)>;
  auto make = [] { return Bn(BN_new(), &BN_free); };
  auto check = [](int ok) {
    if (ok != 1) throw std::runtime_error("RSA key generation failed");
  };
  auto hex = [](const BIGNUM* v) {
    char* s = BN_bn2hex(v);
    std::string r(s);
    OPENSSL_free(s);
    return r;
  };
  std::unique_ptr<BN_CTX, decltype(&BN_CTX_free)> ctx(BN_CTX_new(), &BN_CTX_free);
  Bn p = make(), q = make(), n = make(), phi = make(), p1 = make(), q1 = make();
  Bn e = make(), d = make(), g = make();
  for (;;) {
    check(BN_generate_prime_ex(p.get(), bits / 2, 0, nullptr, nullptr, nullptr));
    check(BN_generate_prime_ex(q.get(), bits / 2, 0, nullptr, nullptr, nullptr));
    if (BN_cmp(p.get(), q.get()) == 0) continue;
    check(BN_mul(n.get(), p.get(), q.get(), ctx.get()));
    if (BN_num_bits(n.get()) != bits) continue;
    check(BN_sub(p1.get(), p.get(), BN_value_one()));
    check(BN_sub(q1.get(), q.get(), BN_value_one()));
    check(BN_mul(phi.get(), p1.get(), q1.get(), ctx.get()));
    for (int tries = 0; tries < 100; ++tries) {
      check(BN_rand(e.get(), exponentBits, BN_RAND_TOP_ONE, BN_RAND_BOTTOM_ODD));
      check(BN_gcd(g.get(), e.get(), phi.get(), ctx.get()));
      if (!BN_is_one(g.get()) || !BN_mod_inverse(d.get(), e.get(), phi.get(), ctx.get())) continue;
      return {hex(n.get()), hex(e.get()), hex(d.get())};
    }
  }
}

}  // namespace tools
