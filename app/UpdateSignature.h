#pragma once

#include <array>
#include <optional>

#include <QByteArrayView>
#include <QString>

namespace nabbit {

// The Ed25519 public key that releases are signed with. Holds only the key's bytes: each check
// builds its own OpenSSL key, so copies may be used on any thread.
class UpdateSigningKey {
  public:
    // 32 raw bytes, or their base64 (surrounding white space ignored); absent for anything else.
    static std::optional<UpdateSigningKey> fromText(QByteArrayView key);

    // Whether the signature (64 bytes) is this key's Ed25519 signature of the data.
    bool verify(QByteArrayView data, QByteArrayView signature) const;
    // The same over a file's whole contents; false when the file cannot be read.
    bool verifyFile(const QString& path, QByteArrayView signature) const;

  private:
    std::array<unsigned char, 32> key_{};
};

}  // namespace nabbit
