// Prints what KDE's KContacts reads from vCard files: one JSON object per card
// and line, in UTF-8, with the fields the phone book compares. A peer reader,
// used as the reference for our own cards and for the import rate.
#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <KContacts/Address>
#include <KContacts/Addressee>
#include <KContacts/PhoneNumber>
#include <KContacts/VCardConverter>
#include <cstdio>

namespace {

QJsonArray PhoneTypes(const KContacts::PhoneNumber& phone) {
  static const struct {
    KContacts::PhoneNumber::TypeFlag flag;
    const char* name;
  } kTypes[] = {
      {KContacts::PhoneNumber::Home, "HOME"},   {KContacts::PhoneNumber::Work, "WORK"},
      {KContacts::PhoneNumber::Msg, "MSG"},     {KContacts::PhoneNumber::Pref, "PREF"},
      {KContacts::PhoneNumber::Voice, "VOICE"}, {KContacts::PhoneNumber::Fax, "FAX"},
      {KContacts::PhoneNumber::Cell, "CELL"},   {KContacts::PhoneNumber::Video, "VIDEO"},
      {KContacts::PhoneNumber::Bbs, "BBS"},     {KContacts::PhoneNumber::Modem, "MODEM"},
      {KContacts::PhoneNumber::Car, "CAR"},     {KContacts::PhoneNumber::Isdn, "ISDN"},
      {KContacts::PhoneNumber::Pcs, "PCS"},     {KContacts::PhoneNumber::Pager, "PAGER"},
  };
  QJsonArray types;
  for (const auto& t : kTypes)
    if (phone.type() & t.flag) types.append(QString::fromLatin1(t.name));
  return types;
}

QJsonObject Card(const KContacts::Addressee& a) {
  QJsonObject card;
  card["surname"] = a.familyName();
  card["given"] = a.givenName();
  const KContacts::Address::List addresses = a.addresses();
  const KContacts::Address address = addresses.isEmpty() ? KContacts::Address() : addresses.first();
  card["street"] = address.street();
  card["city"] = address.locality();
  card["postal"] = address.postalCode();
  card["country"] = address.country();
  card["org"] = a.organization();
  card["title"] = a.title();
  QJsonArray phones;
  for (const KContacts::PhoneNumber& p : a.phoneNumbers()) {
    QJsonObject phone;
    phone["number"] = p.number();
    phone["types"] = PhoneTypes(p);
    phones.append(phone);
  }
  card["phones"] = phones;
  card["emails"] = QJsonArray::fromStringList(a.emails());
  card["url"] = a.url().url().toString();
  const QDate birthday = a.birthday().date();
  card["bday"] = birthday.isValid() ? birthday.toString(QStringLiteral("yyyy-MM-dd")) : QString();
  card["categories"] = QJsonArray::fromStringList(a.categories());
  return card;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kcontacts_dump FILE.vcf...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    QFile file(QString::fromLocal8Bit(argv[i]));
    if (!file.open(QIODevice::ReadOnly)) {
      std::fprintf(stderr, "kcontacts_dump: %s: cannot open\n", argv[i]);
      status = 2;
      continue;
    }
    const KContacts::Addressee::List cards = KContacts::VCardConverter().parseVCards(file.readAll());
    int index = 0;
    for (const KContacts::Addressee& a : cards) {
      QJsonObject card = Card(a);
      card["file"] = QString::fromLocal8Bit(argv[i]);
      card["index"] = ++index;
      std::printf("%s\n", QJsonDocument(card).toJson(QJsonDocument::Compact).constData());
    }
  }
  return status;
}
