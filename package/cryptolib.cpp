#include "package/cryptolib.h"

// The HMAC context functions are marked deprecated in OpenSSL 3 but remain exported; they are
// looked up by name here, so only their declarations are used.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <dlfcn.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/provider.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"

namespace xlx {
namespace {

#define XLX_CRYPTO_FUNCTIONS(X)                                                                   \
  X(OSSL_LIB_CTX_new) X(OSSL_PROVIDER_load) X(EVP_MD_fetch) X(EVP_CIPHER_fetch) X(EVP_MD_get_size)  \
  X(EVP_MD_CTX_new) X(EVP_MD_CTX_free) X(EVP_DigestInit_ex) X(EVP_DigestUpdate) X(EVP_DigestFinal_ex) \
  X(EVP_CIPHER_CTX_new) X(EVP_CIPHER_CTX_free) X(EVP_DecryptInit_ex) X(EVP_DecryptUpdate)          \
  X(EVP_CIPHER_CTX_set_key_length) X(EVP_CIPHER_CTX_set_padding) X(EVP_CIPHER_get_block_size)      \
  X(EVP_CIPHER_get_iv_length) X(EVP_CIPHER_get_key_length) X(EVP_CIPHER_get_mode)                  \
  X(HMAC_CTX_new) X(HMAC_CTX_free) X(HMAC_Init_ex) X(HMAC_Update) X(HMAC_Final)                   \
  X(EVP_MD_free) X(EVP_CIPHER_free) X(OSSL_LIB_CTX_free) X(OSSL_PROVIDER_unload)

struct CryptoApi {
#define XLX_DECLARE(name) decltype(&::name) name = nullptr;
  XLX_CRYPTO_FUNCTIONS(XLX_DECLARE)
#undef XLX_DECLARE
  OSSL_LIB_CTX* context = nullptr;
  OSSL_PROVIDER* providers[2] = {nullptr, nullptr};  // default, legacy
};

std::mutex g_bindLock;
bool g_bindTried = false;
int32_t g_bindResult = XLX_ERR_NO_CRYPTO;
CryptoApi g_api;
std::string g_testLibrary;
bool g_testLibrarySet = false;
// Algorithms fetched once each and kept for the life of the process, as the library is.
std::map<std::string, const EVP_MD*> g_digests;
std::map<std::string, const EVP_CIPHER*> g_ciphers;

std::string ModuleFolder() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&BindCryptoLibrary), &info) || !info.dli_fname) return {};
  std::string path(info.dli_fname);
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void* OpenLibrary() {
  if (g_testLibrarySet) return dlopen(g_testLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
  static const char kName[] = "libcrypto.so.3";
  char16_t folder[1024];
  if (VkGetLibraryFolder(folder, 1024) == 1 && folder[0]) {
    if (void* lib = dlopen((Utf16ToUtf8(folder) + "/" + kName).c_str(), RTLD_NOW | RTLD_LOCAL)) return lib;
  }
  std::string here = ModuleFolder();
  if (!here.empty()) {
    if (void* lib = dlopen((here + "/" + kName).c_str(), RTLD_NOW | RTLD_LOCAL)) return lib;
  }
  return dlopen(kName, RTLD_NOW | RTLD_LOCAL);
}

// Gives back what the binding fetched when the process ends, before the library's own clean-up
// (which runs later: it was registered first), so leak checkers see nothing outstanding.
void ReleaseAtExit() {
  std::lock_guard<std::mutex> guard(g_bindLock);
  for (auto& entry : g_digests)
    if (entry.second) g_api.EVP_MD_free(const_cast<EVP_MD*>(entry.second));
  for (auto& entry : g_ciphers)
    if (entry.second) g_api.EVP_CIPHER_free(const_cast<EVP_CIPHER*>(entry.second));
  g_digests.clear();
  g_ciphers.clear();
  for (OSSL_PROVIDER*& provider : g_api.providers) {
    if (provider) g_api.OSSL_PROVIDER_unload(provider);
    provider = nullptr;
  }
  if (g_api.context) g_api.OSSL_LIB_CTX_free(g_api.context);
  g_api.context = nullptr;
}

int32_t Bind() {
  void* lib = OpenLibrary();
  if (!lib) return XLX_ERR_NO_CRYPTO;
  CryptoApi api;
#define XLX_LOOKUP(name)                                                    \
  api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib, #name));       \
  if (!api.name) return XLX_ERR_NO_CRYPTO;
  XLX_CRYPTO_FUNCTIONS(XLX_LOOKUP)
#undef XLX_LOOKUP
  if (g_api.context) return XLX_OK;  // bound before (tests bind again): keep the first context
  api.context = api.OSSL_LIB_CTX_new();
  if (!api.context || !(api.providers[0] = api.OSSL_PROVIDER_load(api.context, "default"))) return XLX_ERR_NO_CRYPTO;
  api.providers[1] = api.OSSL_PROVIDER_load(api.context, "legacy");  // DES and RC2; absent on some systems
  g_api = api;  // the library stays loaded for the life of the process
  std::atexit(ReleaseAtExit);
  return XLX_OK;
}

const EVP_MD* FetchDigest(const std::string& name) {
  std::lock_guard<std::mutex> guard(g_bindLock);
  auto it = g_digests.find(name);
  if (it != g_digests.end()) return it->second;
  const EVP_MD* md = g_api.EVP_MD_fetch(g_api.context, name.c_str(), nullptr);
  g_digests[name] = md;
  return md;
}

const EVP_CIPHER* FetchCipher(const std::string& name) {
  std::lock_guard<std::mutex> guard(g_bindLock);
  auto it = g_ciphers.find(name);
  if (it != g_ciphers.end()) return it->second;
  const EVP_CIPHER* cipher = g_api.EVP_CIPHER_fetch(g_api.context, name.c_str(), nullptr);
  g_ciphers[name] = cipher;
  return cipher;
}

std::string DigestName(const char* name) {
  if (std::strcmp(name, "SHA1") == 0 || std::strcmp(name, "SHA-1") == 0) return "SHA1";
  static const char* const kKnown[] = {"SHA256", "SHA384", "SHA512", "MD5", "MD4", "RIPEMD160", "WHIRLPOOL"};
  for (const char* known : kKnown)
    if (std::strcmp(name, known) == 0) return known;
  if (std::strcmp(name, "RIPEMD-160") == 0) return "RIPEMD160";
  return {};
}

// The library's name of a cipher with a key length, or empty when there is none.
std::string CipherName(const char* cipher, const char* chaining, size_t keyBytes) {
  const bool ecb = std::strcmp(chaining, "ECB") == 0;
  const bool cbc = std::strcmp(chaining, "ChainingModeCBC") == 0;
  const bool cfb = std::strcmp(chaining, "ChainingModeCFB") == 0;
  if (!ecb && !cbc && !cfb) return {};
  const char* mode = ecb ? "ECB" : cbc ? "CBC" : "CFB8";
  if (std::strcmp(cipher, "AES") == 0) {
    if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32) return {};
    return "AES-" + std::to_string(keyBytes * 8) + "-" + mode;
  }
  if (std::strcmp(cipher, "DES") == 0 && keyBytes == 8) return std::string("DES-") + mode;
  if (std::strcmp(cipher, "3DES") == 0 && keyBytes == 24) return std::string("DES-EDE3-") + (cfb ? "CFB8" : mode);
  if (std::strcmp(cipher, "3DES_112") == 0 && keyBytes == 16 && !cfb) return std::string("DES-EDE-") + mode;
  if (std::strcmp(cipher, "RC2") == 0 && keyBytes >= 5 && keyBytes <= 16 && !cfb) return std::string("RC2-") + mode;
  return {};
}

}  // namespace

int32_t BindCryptoLibrary() {
  std::lock_guard<std::mutex> guard(g_bindLock);
  if (!g_bindTried) {
    g_bindResult = Bind();
    g_bindTried = true;
  }
  return g_bindResult;
}

void SetCryptoLibraryForTesting(const char* path) {
  std::lock_guard<std::mutex> guard(g_bindLock);
  g_testLibrarySet = path != nullptr;
  g_testLibrary = path ? path : "";
  g_bindTried = false;
  // Objects fetched from an earlier binding stay valid: that library is never unloaded.
  if (g_testLibrarySet) g_bindResult = XLX_ERR_NO_CRYPTO;
}

// ---- digests ----------------------------------------------------------------------------------

Hasher::~Hasher() {
  if (ctx_) g_api.EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(ctx_));
}

int32_t Hasher::Init(const char* name) {
  int32_t r = BindCryptoLibrary();
  if (r != XLX_OK) return r;
  const std::string known = name ? DigestName(name) : std::string();
  const EVP_MD* md = known.empty() ? nullptr : FetchDigest(known);
  if (!md) return XLX_CORRUPT(XLX_ERR_UNSUPPORTED_ENCRYPTION, "digest not offered");
  if (!ctx_) ctx_ = g_api.EVP_MD_CTX_new();
  if (!ctx_) return XLX_ERR_MEMORY;
  const int size = g_api.EVP_MD_get_size(md);
  if (size <= 0 || size > 64) return XLX_CORRUPT(XLX_ERR_UNSUPPORTED_ENCRYPTION, "digest size");
  md_ = md;
  size_ = static_cast<size_t>(size);
  return XLX_OK;
}

int32_t Hasher::Hash(const uint8_t* a, size_t na, const uint8_t* b, size_t nb, uint8_t* out) {
  auto* ctx = static_cast<EVP_MD_CTX*>(ctx_);
  if (!ctx || !md_) return XLX_ERR_NO_CRYPTO;
  unsigned int written = 0;
  if (!g_api.EVP_DigestInit_ex(ctx, static_cast<const EVP_MD*>(md_), nullptr) ||
      (na && !g_api.EVP_DigestUpdate(ctx, a, na)) || (nb && !g_api.EVP_DigestUpdate(ctx, b, nb)) ||
      !g_api.EVP_DigestFinal_ex(ctx, out, &written))
    return XLX_ERR_NO_CRYPTO;
  return XLX_OK;
}

// ---- block ciphers ----------------------------------------------------------------------------

BlockDecryptor::~BlockDecryptor() {
  if (ctx_) g_api.EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(ctx_));
}

int32_t BlockDecryptor::Init(const char* cipher, const char* chaining, const uint8_t* key, size_t keyBytes) {
  int32_t r = BindCryptoLibrary();
  if (r != XLX_OK) return r;
  const std::string name = cipher && chaining ? CipherName(cipher, chaining, keyBytes) : std::string();
  const EVP_CIPHER* algorithm = name.empty() ? nullptr : FetchCipher(name);
  if (!algorithm) return XLX_CORRUPT(XLX_ERR_UNSUPPORTED_ENCRYPTION, "cipher not offered");
  if (!ctx_) ctx_ = g_api.EVP_CIPHER_CTX_new();
  auto* ctx = static_cast<EVP_CIPHER_CTX*>(ctx_);
  if (!ctx) return XLX_ERR_MEMORY;
  if (!g_api.EVP_DecryptInit_ex(ctx, algorithm, nullptr, nullptr, nullptr) ||
      (static_cast<size_t>(g_api.EVP_CIPHER_get_key_length(algorithm)) != keyBytes &&
       !g_api.EVP_CIPHER_CTX_set_key_length(ctx, static_cast<int>(keyBytes))) ||
      !g_api.EVP_DecryptInit_ex(ctx, nullptr, nullptr, key, nullptr))
    return XLX_CORRUPT(XLX_ERR_UNSUPPORTED_ENCRYPTION, "cipher refused the key");
  g_api.EVP_CIPHER_CTX_set_padding(ctx, 0);
  stream_ = name.find("CFB8") != std::string::npos;
  const int block = g_api.EVP_CIPHER_get_block_size(algorithm);
  const int iv = g_api.EVP_CIPHER_get_iv_length(algorithm);
  blockSize_ = static_cast<size_t>(stream_ ? iv : block);
  return XLX_OK;
}

int32_t BlockDecryptor::Decrypt(const uint8_t* iv, const uint8_t* in, uint8_t* out, size_t n) {
  auto* ctx = static_cast<EVP_CIPHER_CTX*>(ctx_);
  if (!ctx || blockSize_ == 0) return XLX_ERR_FORMAT;
  if (!stream_ && n % blockSize_ != 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "cipher text not whole blocks");
  if (!g_api.EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, iv)) return XLX_ERR_FORMAT;
  while (n > 0) {
    const int chunk = n > (1u << 30) ? (1 << 30) : static_cast<int>(n);
    int written = 0;
    if (!g_api.EVP_DecryptUpdate(ctx, out, &written, in, chunk) || written != chunk) return XLX_ERR_FORMAT;
    in += chunk;
    out += chunk;
    n -= static_cast<size_t>(chunk);
  }
  return XLX_OK;
}

// ---- HMAC -------------------------------------------------------------------------------------

Hmac::~Hmac() {
  if (ctx_) g_api.HMAC_CTX_free(static_cast<HMAC_CTX*>(ctx_));
}

int32_t Hmac::Init(const Hasher& digest, const uint8_t* key, size_t n) {
  int32_t r = BindCryptoLibrary();
  if (r != XLX_OK) return r;
  if (!digest.digest()) return XLX_ERR_NO_CRYPTO;
  if (!ctx_) ctx_ = g_api.HMAC_CTX_new();
  if (!ctx_) return XLX_ERR_MEMORY;
  return g_api.HMAC_Init_ex(static_cast<HMAC_CTX*>(ctx_), key, static_cast<int>(n),
                            static_cast<const EVP_MD*>(digest.digest()), nullptr)
             ? XLX_OK
             : XLX_ERR_NO_CRYPTO;
}

int32_t Hmac::Update(const uint8_t* data, size_t n) {
  if (!ctx_) return XLX_ERR_NO_CRYPTO;
  return n == 0 || g_api.HMAC_Update(static_cast<HMAC_CTX*>(ctx_), data, n) ? XLX_OK : XLX_ERR_NO_CRYPTO;
}

int32_t Hmac::Final(uint8_t* out) {
  unsigned int written = 0;
  if (!ctx_) return XLX_ERR_NO_CRYPTO;
  return g_api.HMAC_Final(static_cast<HMAC_CTX*>(ctx_), out, &written) ? XLX_OK : XLX_ERR_NO_CRYPTO;
}

}  // namespace xlx
