#include "core/inputs/Expansion.h"

#include "core/base/UserData.h"

namespace orbisel::core {

const std::vector<std::string> &builtinModifiers() {
    static const std::vector<std::string> words = {
        "女",   "男",   "儿童",   "新款",   "夏季", "冬季", "春季", "秋季", "大码", "韩版",
        "纯棉", "加厚", "加绒",   "薄款",   "宽松", "修身", "显瘦", "百搭", "复古", "时尚",
        "休闲", "高端", "学生",   "中老年", "男童", "女童", "婴儿", "潮牌", "网红", "同款",
        "长款", "短款", "小个子", "气质",   "套装", "真皮", "防水", "便携", "家用", "包邮"};
    return words;
}

const std::vector<std::string> &builtinQuestions() {
    static const std::vector<std::string> words = {
        "怎么选", "哪个牌子好", "推荐",   "多少钱", "正品",     "旗舰店",     "哪款好",
        "好不好", "怎么样",     "价格",   "排行榜", "十大品牌", "什么牌子好", "如何挑选",
        "测评",   "官方",       "专卖店", "便宜",   "平价",     "性价比高"};
    return words;
}

std::string userModifiersPath() {
    return userDataFile("modifiers.txt");
}

std::vector<std::string> expandSeed(const std::string &seed, ExpansionSet expansions,
                                    const std::vector<std::string> &modifiers,
                                    const std::vector<std::string> &questions) {
    std::vector<std::string> queries{seed};
    if (expansions & expansionBit(Expansion::Letters))
        for (char c = 'a'; c <= 'z'; ++c)
            queries.push_back(seed + c);
    if (expansions & expansionBit(Expansion::Digits))
        for (char c = '0'; c <= '9'; ++c)
            queries.push_back(seed + c);
    if (expansions & expansionBit(Expansion::Modifiers))
        for (const std::string &word : modifiers)
            queries.push_back(seed + ' ' + word);
    if (expansions & expansionBit(Expansion::Questions))
        for (const std::string &word : questions)
            queries.push_back(seed + ' ' + word);
    return queries;
}

std::vector<std::string> expandSeeds(const std::vector<std::string> &seeds, ExpansionSet expansions,
                                     const std::vector<std::string> &modifiers,
                                     const std::vector<std::string> &questions) {
    std::vector<std::string> queries;
    for (const std::string &seed : seeds) {
        std::vector<std::string> own = expandSeed(seed, expansions, modifiers, questions);
        queries.insert(queries.end(), std::make_move_iterator(own.begin()),
                       std::make_move_iterator(own.end()));
    }
    return queries;
}

std::vector<std::string> expandSeed(const std::string &seed, const DeepRunOptions &options) {
    return expandSeed(seed, options.expansions,
                      options.modifiers.empty() ? builtinModifiers() : options.modifiers, builtinQuestions());
}

} // namespace orbisel::core
