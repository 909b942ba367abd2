#include "app/UpdateSignature.h"

#include <memory>

#include <QByteArray>
#include <QFile>

#include <openssl/evp.h>

namespace nabbit {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

constexpr qsizetype signatureBytes = 64;

}  // namespace

std::optional<UpdateSigningKey> UpdateSigningKey::fromText(QByteArrayView key) {
    QByteArray bytes;
    if (key.size() == 32) {
        bytes = key.toByteArray();
    } else {
        auto decoded = QByteArray::fromBase64Encoding(key.trimmed().toByteArray(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded || decoded.decoded.size() != 32) {
            return std::nullopt;
        }
        bytes = std::move(decoded.decoded);
    }
    UpdateSigningKey result;
    std::copy(bytes.begin(), bytes.end(), result.key_.begin());
    // Whatever OpenSSL will not take as a key is refused now rather than at each check.
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, result.key_.data(), 32));
    if (!pkey) {
        return std::nullopt;
    }
    return result;
}

bool UpdateSigningKey::verify(QByteArrayView data, QByteArrayView signature) const {
    if (signature.size() != signatureBytes) {
        return false;
    }
    std::unique_ptr<EVP_PKEY, PkeyFree> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key_.data(), key_.size()));
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> context(EVP_MD_CTX_new());
    if (!pkey || !context ||
        EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        return false;
    }
    // Ed25519 signs the message itself, not a digest of it: one call over all of it.
    return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            static_cast<size_t>(signature.size()),
                            reinterpret_cast<const unsigned char*>(data.data()),
                            static_cast<size_t>(data.size())) == 1;
}

bool UpdateSigningKey::verifyFile(const QString& path, QByteArrayView signature) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const qint64 size = file.size();
    if (size == 0) {
        return verify({}, signature);
    }
    // Mapped rather than read, so that a large file is not copied onto the heap.
    if (const uchar* mapped = file.map(0, size)) {
        return verify(QByteArrayView(mapped, size), signature);
    }
    return verify(file.readAll(), signature);
}

}  // namespace nabbit
