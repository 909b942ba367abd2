#include "parser/StopWords.h"

namespace nabbit {

const std::unordered_set<std::string>& stopWords() {
    static const std::unordered_set<std::string> words{
        // English
        "your", "the", "a", "an", "is", "this", "that", "here", "use", "enter", "please", "do",
        "not", "share", "will", "be", "valid", "only", "sent",
        // French
        "ton", "tu", "vous", "votre", "le", "la", "un", "une", "des", "ce", "son", "sa", "de", "du",
        "lui", "ici", "utiliser", "utilisez", "entrer", "entrez", "svp", "merci", "s'il-vous-plaît",
        "s'il vous plait", "ne", "pas", "uniquement", "seulement", "partager", "partagez", "va",
        "sera", "être"};
    return words;
}

const std::unordered_set<std::string>& genericNameWords() {
    static const std::unordered_set<std::string> words{
        // English
        "alert", "alerts", "notification", "notifications", "notice", "info", "information",
        "reminder", "message", "messages", "sms", "text", "security", "secure", "verification",
        "verify", "code", "codes", "otp", "pin", "passcode", "password", "account", "accounts",
        "login", "log", "sign", "signin", "sign-in", "access", "confirm", "confirmation",
        "authentication", "auth", "authorization", "2fa", "mfa", "one-time", "one", "time",
        "temporary", "new", "important", "warning", "attention", "update", "urgent", "service",
        "services", "support", "team", "customer", "client", "dear", "welcome", "app", "online",
        "web", "system", "admin", "noreply", "no-reply", "reply", "my", "our", "it", "you", "we",
        "user", "member", "digit", "digits", "six", "four", "eight", "unique", "personal", "secret",
        "private", "single-use", "reset", "recovery", "activation", "transaction", "payment",
        "order", "delivery", "official", "for", "from", "to", "of", "in", "on", "at", "and", "or",
        "with", "are", "was", "has", "been", "below", "above", "following", "number", "token",
        "key", "id", "ok", "yes", "no", "expires", "expire", "two-factor", "factor", "action",
        "required", "requested", "here", "note", "ps", "push", "latest", "current", "single",
        "please", "reminder", "fyi", "re", "fwd", "subject", "promo", "promotion", "discount",
        "coupon", "voucher", "gift", "zip", "postal", "transfer", "purchase", "booking",
        "reservation", "ticket", "tracking", "shipping", "parcel", "package", "email", "e-mail",
        "phone", "amount", "balance", "total", "reference", "ref", "card", "two", "mpin",
        // French
        "alerte", "avis", "rappel", "sécurité", "securite", "vérification", "compte", "connexion",
        "cher", "chère", "bienvenue", "mot", "passe", "provisoire", "temporaire", "nouveau", "vos",
        "notre", "nos", "ta", "tes", "est", "et", "pour", "chez", "sur", "les", "dans", "aux",
        "suivant", "d'accès", "d’accès", "voici", "virement", "paiement", "commande", "livraison",
        "colis", "réservation", "accès", "acces", "validation", "confirmation", "activation",
        "réinitialisation", "temporaire", "unique", "important",
        // Spanish
        "alerta", "aviso", "recordatorio", "seguridad", "verificación", "verificacion", "código",
        "codigo", "cuenta", "clave", "contraseña", "estimado", "estimada", "bienvenido", "servicio",
        "cliente", "su", "tus", "sus", "nuestro", "mensaje", "el", "los", "las", "del", "para",
        "es", "y", "en", "con", "acceso", "siguiente", "aquí", "recuerda", "importante", "atención",
        "nota", "operaciones", "operación", "compra", "pedido", "reserva", "envío", "confirmación",
        "activación", "recuperación", "autenticación", "temporal", "dinámica", "dinamica",
        "transferencia",
        // Portuguese
        "lembrete", "segurança", "seguranca", "verificação", "verificacao", "conta", "senha",
        "prezado", "prezada", "seu", "o", "os", "as", "do", "da", "dos", "das", "mensagem", "é",
        "e", "no", "na", "acesso", "aqui", "temporária", "temporaria", "confirmação", "ativação",
        "recuperação", "autenticação", "pedido", "compra", "entrega", "transferência",
        // German
        "hinweis", "warnung", "erinnerung", "sicherheit", "bestätigung", "konto", "passwort",
        "kennwort", "liebe", "lieber", "sehr", "geehrte", "geehrter", "kunde", "kundin", "ihr",
        "ihre", "dein", "deine", "der", "die", "das", "den", "dem", "nachricht", "tan", "mtan",
        "ist", "lautet", "für", "von", "bei", "und", "zum", "zur", "hier", "achtung", "wichtig",
        "einmaliger", "einmalige", "neuer", "neue", "persönlicher", "persönliche", "überweisung",
        "zahlung", "bestellung", "sendung", "buchung", "gutschein", "rabatt", "bestätigungs",
        "kundennummer", "4-stelliger", "5-stelliger", "6-stelliger", "8-stelliger",
        // Italian
        "avviso", "notifica", "promemoria", "sicurezza", "verifica", "codice", "conto", "gentile",
        "il", "lo", "tuo", "tua", "suo", "sua", "di", "della", "dello", "messaggio", "attenzione",
        "benvenuto", "è", "per", "accesso", "conferma", "ecco", "importante", "bonifico",
        "pagamento", "ordine", "spedizione", "prenotazione", "temporaneo", "monouso",
        // Dutch
        "melding", "bericht", "herinnering", "beveiliging", "verificatie", "rekening", "wachtwoord",
        "beste", "geachte", "klant", "je", "jouw", "uw", "het", "een", "van", "voor", "is", "bij",
        "inlogcode", "belangrijk", "betaling", "bestelling", "tijdelijke", "eenmalige",
        // Polish
        "powiadomienie", "przypomnienie", "bezpieczeństwo", "weryfikacja", "kod", "konto", "hasło",
        "szanowny", "szanowna", "klient", "twój", "twoj", "twoja", "wiadomość", "uwaga", "jest",
        "dla", "z", "od", "w", "logowania", "oto", "ważne", "przelew", "zamówienie", "płatność",
        "jednorazowy", "tymczasowy", "weryfikacyjny", "użyj", "wpisz", "podaj", "jako", "aby",
        // Russian, Ukrainian
        "уведомление", "напоминание", "безопасность", "код", "пароль", "подтверждение", "аккаунт",
        "счёт", "счет", "уважаемый", "уважаемая", "клиент", "ваш", "ваша", "ваше", "твой",
        "сообщение", "внимание", "информация", "никому", "не", "сообщайте", "для", "в", "от", "на",
        "входа", "вход", "підтвердження", "вашого", "вот", "важно", "перевод", "заказ", "оплата",
        "платеж", "платёж", "временный", "одноразовый", "ваш", "ваш код", "подтверждения",
        // Turkish
        "bilgilendirme", "bildirim", "hatırlatma", "güvenlik", "doğrulama", "kodu", "kodunuz",
        "şifre", "şifreniz", "hesap", "hesabınız", "sayın", "değerli", "müşterimiz", "mesaj",
        "uyarı", "bilgi", "dikkat", "için", "tek", "kullanımlık", "giriş", "onay", "işte", "önemli",
        "havale", "sipariş", "ödeme", "geçici", "bu", "aktivasyon", "numaralı", "siparişiniz",
        // Japanese, Korean, Chinese
        "お知らせ", "通知", "認証", "確認", "コード", "認証コード", "確認コード", "パスワード",
        "ワンタイムパスワード", "重要", "セキュリティ", "ご案内", "あなた", "お客様", "알림",
        "인증번호", "인증", "광고", "안내", "web발신", "국외발신", "국제발신", "해외발신", "발신",
        "보안", "비밀번호", "고객님", "验证码", "通知", "提醒", "安全", "登录", "注册", "验证",
        "短信", "动态码", "尊敬的", "用户", "客户", "您的", "你的", "您好", "账号", "本次",
        "로그인", "가입", "회원가입", "ログイン", "ログイン用",
        // Vietnamese
        "thông", "báo", "mã", "xác", "thực", "bảo", "mật", "tài", "khoản", "quý", "khách", "hàng",
        "cảnh", "của", "bạn", "là", "cho", "tại", "trên", "đây", "lưu", "ý", "ma", "xac", "thuc",
        // Indonesian
        "pemberitahuan", "pengingat", "keamanan", "verifikasi", "kode", "akun", "kata", "sandi",
        "pelanggan", "yth", "anda", "kamu", "rahasia", "jangan", "pesan", "adalah", "untuk", "dari",
        "berikut", "perhatian", "penting", "transfer", "pesanan",
        // Arabic
        "تنبيه", "إشعار", "اشعار", "تذكير", "أمان", "تحقق", "التحقق", "رمز", "الرمز", "كود", "حساب",
        "عزيزي", "عميل", "العميل", "رسالة", "سري", "الخاص", "بك", "في", "من", "البريد", "الطلب",
        "رقم", "هاتفك", "هو",
        // Swedish, Danish, Norwegian
        "din", "ditt", "dina", "dit", "dine", "er", "är", "koden", "koder", "för", "fra", "från",
        "til", "och", "og", "hej", "hei", "engångskod", "verifieringskod", "bekräftelsekod",
        "bekræftelseskode", "bekreftelseskode", "engangskode", "sikkerhedskode", "sikkerhetskode",
        // Finnish
        "sinun", "teidän", "koodi", "koodisi", "koodinne", "vahvistuskoodi", "vahvistuskoodisi",
        "kertakäyttöinen", "kertakäyttökoodi", "tunnuslukusi", "yhden", "kerran", "tilaus",
        "tilauksen", "salasana", "salasanan",
        // Czech
        "váš", "vaše", "tvůj", "tvoje", "kód", "ověřovací", "potvrzovací", "jednorázový",
        "bezpečnostní", "přihlašovací", "přihlášení", "prihlaseni", "pro",
        // Romanian
        "cod", "codul", "tău", "tau", "dvs", "dumneavoastră", "verificare", "unică", "unic",
        "confirmare", "securitate", "autentificare", "este", "pentru",
        // Hungarian
        "az", "egy", "ön", "kódod", "kódja", "ellenőrző", "egyszeri", "megerősítő", "biztonsági",
        "belépési", "azonosító", "hitelesítő", "aktiváló", "jelszó", "jelszavad", "jelszava",
        "jelszavát", "jelszó-visszaállítási",
        // Malay
        "pengesahan", "sekali", "guna", "masuk",
        // Catalan
        "teu", "teva", "vostre", "vostra", "codi", "verificació", "seguretat", "accés",
        "confirmació",
        // Tagalog
        "ang", "iyong", "inyong", "mo", "ninyo", "ay", "ng",
        // Greek
        "ο", "η", "το", "σας", "σου", "κωδικός", "κωδικό", "επαλήθευσης", "επιβεβαίωσης",
        // Persian
        "تراکنش", "خرید", "مبلغ",
        // Hebrew
        "קוד", "לאיפוס", "הסיסמה", "סיסמה", "אימות",
        // Urdu
        "آپ", "آپکا", "کا", "کی", "کے", "تصدیقی", "کوڈ",
        // Hindi
        "आपका", "आपकी", "कोड", "पासवर्ड", "रीसेट"};
    return words;
}

const std::unordered_set<std::string>& greetingWords() {
    static const std::unordered_set<std::string> words{
        "hi",    "hello",  "hey",          "dear",   "bonjour",    "salut",      "hola",  "olá",
        "ola",   "oi",     "hallo",        "ciao",   "salve",      "hoi",        "cześć", "witaj",
        "dzień", "привет", "здравствуйте", "добрий", "вітаємо",    "merhaba",    "selam", "halo",
        "hai",   "xin",    "chào",         "مرحبا",  "こんにちは", "안녕하세요", "您好",  "你好"};
    return words;
}

}  // namespace nabbit
