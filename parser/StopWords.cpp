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

}  // namespace nabbit
