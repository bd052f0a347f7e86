#!/usr/bin/python3
"""Generates the two built-in keyword lists of the mining window.

    /usr/bin/python3 scripts/generate-keyword-lists.py [output-dir]

Writes top.txt (200,000 keywords) and potential.txt (28,303 keywords) into
mining/data (or output-dir): GBK, a header line "关键词", one keyword per line,
every line ended by CRLF. The keywords are shopper queries composed from
product nouns, audiences, seasons, materials and attributes; every word is
checked against the word list of python3-jieba (jieba/dict.txt), so the
vocabulary is real Chinese vocabulary shipped by Debian. The output depends
only on this script and that word list (fixed random seed).
"""

import os
import random
import sys

import jieba

SEED = 20171122
TOP_LINES = 200_000
TOP_DISTINCT = 169_023
POTENTIAL_LINES = 28_303
POTENTIAL_DISTINCT = 27_911
TOP_SPACE_SHARE = 0.18     # share of TOP keywords with inner spaces
POTENTIAL_SPACE_SHARE = 0.14
MAX_TOP_BYTES = 70
MAX_POTENTIAL_BYTES = 83
LONG_BYTES = 14
LONG_SKIP = 0.7

TOP_FIRST = ["女羽绒服", "羽绒服女", "羽绒服", "女雪地靴", "帽 女 冬"]
TOP_LAST = "日本热血动漫排行榜"
POTENTIAL_FIRST = ["洗车机", "洗车神器高压家用", "洗车泵", "高压洗车水泵", "洗车器家用"]
POTENTIAL_LAST = "钢丝绳"

# Product nouns by category, with the attributes shoppers add to them.
CATEGORIES = {
    "女装": dict(
        materials="纯棉 羊毛 羊绒 羊羔绒 加绒 棉麻 亚麻 雪纺 蕾丝 针织 毛呢 牛仔 真丝 鸭绒 鹅绒",
        lengths="长款 短款 中长款 大码 加大 加长",
        nouns="羽绒服 连衣裙 大衣 外套 毛衣 衬衫 风衣 棉衣 棉袄 裙子 半身裙 长裙 短裙 旗袍 "
              "背心 马甲 睡衣 内衣 裤子 长裤 短裤 牛仔裤 西装 礼服 婚纱 上衣 夹克 皮衣 "
              "皮草 呢子 毛衫 吊带 围裙 雨衣 泳衣 坎肩 小衫 短衫",
        audience="女 女士 女装 妈妈 少女 孕妇 中老年 学生 女生 胖 大码",
        attrs="修身 宽松 时尚 长款 短款 中长款 加厚 显瘦 新款 韩版 百搭 气质 复古 简约 "
              "潮流 休闲 保暖 轻薄 高档 便宜 可爱 性感 优雅 小香风 加绒 宽松版 chic"),
    "男装": dict(
        materials="纯棉 羊毛 羊绒 加绒 棉麻 亚麻 针织 毛呢 牛仔 真皮 鸭绒",
        lengths="长款 短款 中长款 大码 加大 加长",
        nouns="羽绒服 夹克 外套 衬衫 西装 毛衣 棉衣 风衣 大衣 牛仔裤 休闲裤 短裤 运动服 "
              "背心 马甲 睡衣 内裤 皮衣 工作服 polo衫 t恤",
        audience="男 男士 男装 爸爸 中老年 青年 学生 男生 大码",
        attrs="修身 宽松 商务 休闲 加厚 潮流 韩版 新款 正品 高档 保暖 轻薄 纯色 加绒 "
              "青少年 运动 潮牌 帅气"),
    "鞋靴": dict(
        materials="真皮 牛皮 羊皮 帆布 pu 加绒 网面 橡胶",
        lengths="大号 小号 加大 套装",
        nouns="雪地靴 靴子 马丁靴 短靴 长靴 高跟鞋 凉鞋 拖鞋 运动鞋 球鞋 布鞋 皮鞋 棉鞋 "
              "板鞋 帆布鞋 跑鞋 单鞋 雨靴 老北京布鞋 增高鞋",
        audience="女 男 儿童 男童 女童 学生 妈妈 老人 情侣",
        attrs="平底 防滑 加绒 保暖 真皮 防水 透气 高帮 低帮 新款 坡跟 粗跟 尖头 圆头 "
              "软底 休闲 运动 韩版 百搭 小白"),
    "箱包配饰": dict(
        materials="真皮 牛皮 帆布 羊毛 针织 纯银 pu 尼龙",
        lengths="长款 短款 中长款 大码 加大 加长",
        nouns="帽 帽子 围巾 手套 包 背包 书包 钱包 手提包 斜挎包 双肩包 行李箱 拉杆箱 "
              "腰带 皮带 领带 丝巾 墨镜 眼镜 手表 项链 耳环 手链 戒指 发卡 发夹 耳钉 "
              "胸针 手镯 口罩 雨伞 钥匙扣",
        audience="女 男 儿童 学生 情侣 冬 夏 宝宝",
        attrs="真皮 牛皮 韩版 简约 时尚 可爱 个性 复古 潮 纯银 黄金 玉 水晶 防晒 "
              "保暖 大容量 小 迷你 防水 日系"),
    "家居": dict(
        materials="纯棉 实木 竹 藤 真丝 乳胶 布艺 不锈钢 玻璃 陶瓷 塑料",
        lengths="大号 小号 加大 套装",
        nouns="床垫 被子 枕头 床单 被套 四件套 蚊帐 窗帘 地毯 沙发 茶几 餐桌 椅子 书桌 "
              "书架 衣柜 鞋柜 台灯 吊灯 吸顶灯 镜子 衣架 收纳箱 收纳盒 毛巾 浴巾 拖把 "
              "垃圾桶 抱枕 坐垫 凉席 电热毯 挂钟 花瓶 相框 晾衣架",
        audience="家用 卧室 客厅 儿童 宿舍 学生 酒店 办公室",
        attrs="纯棉 实木 简约 欧式 北欧 中式 现代 加厚 可折叠 防水 创意 全棉 真丝 "
              "乳胶 记忆 布艺 日式 落地 led 静音 大号 小号"),
    "厨房电器": dict(
        materials="不锈钢 陶瓷 玻璃 铸铁 塑料 铝合金 紫砂",
        lengths="大号 小号 加大 套装",
        nouns="电饭煲 电饭锅 高压锅 炒锅 不粘锅 锅 菜刀 刀具 砧板 碗 盘子 筷子 勺子 杯子 "
              "保温杯 水杯 茶杯 茶具 水壶 热水壶 电水壶 榨汁机 豆浆机 面包机 微波炉 烤箱 "
              "电磁炉 油烟机 冰箱 洗衣机 空调 电视 热水器 吸尘器 加湿器 净化器 电风扇 "
              "取暖器 电暖器 吹风机 电熨斗 洗车机 洗碗机",
        audience="家用 商用 宿舍 小型 迷你 办公室 儿童 学生",
        attrs="不锈钢 陶瓷 玻璃 智能 迷你 大容量 正品 节能 静音 便携 全自动 多功能 "
              "家用 小型 立式 壁挂 变频 双层 耐热 304"),
    "数码": dict(
        materials="硅胶 金属 皮 透明 钢化玻璃 铝合金",
        lengths="大号 小号 加大 套装",
        nouns="手机 手机壳 耳机 充电宝 充电器 数据线 平板 电脑 笔记本 键盘 鼠标 鼠标垫 "
              "音箱 音响 路由器 硬盘 u盘 内存卡 相机 摄像头 自拍杆 贴膜 钢化膜 手环 "
              "智能手表 打印机 投影仪 显示器 游戏机 手柄 蓝牙耳机 读卡器",
        audience="苹果 华为 小米 vivo oppo 三星 iphone 安卓 学生 游戏",
        attrs="无线 蓝牙 原装 正品 快充 便携 超薄 防摔 全包 硅胶 高清 迷你 大容量 "
              "头戴式 入耳式 机械 静音 防水 二手 新款"),
    "美妆": dict(
        materials="天然 植物 氨基酸",
        lengths="大号 小号 加大 套装",
        nouns="口红 面膜 洗面奶 爽肤水 乳液 面霜 精华 眼霜 防晒霜 粉底 粉底液 眉笔 "
              "眼线笔 睫毛膏 香水 指甲油 洗发水 护发素 沐浴露 身体乳 护手霜 唇膏 化妆品 "
              "卸妆水 腮红 散粉 气垫 bb霜",
        audience="女 男士 学生 孕妇 套装 正品 专柜",
        attrs="补水 保湿 美白 控油 祛痘 滋润 持久 防水 不脱色 哑光 温和 清爽 淡斑 "
              "去屑 柔顺 天然 无硅油 小样 平价 大牌"),
    "母婴玩具": dict(
        materials="纯棉 硅胶 玻璃 木质 塑料 毛绒",
        lengths="大号 小号 加大 套装",
        nouns="奶粉 奶瓶 纸尿裤 尿不湿 婴儿车 推车 童车 学步车 玩具 积木 拼图 毛绒玩具 "
              "娃娃 遥控车 童装 童鞋 连体衣 睡袋 口水巾 围嘴 奶嘴 爬行垫 摇椅 儿童床",
        audience="婴儿 宝宝 儿童 新生儿 男孩 女孩 幼儿 男童 女童 周岁",
        attrs="益智 早教 纯棉 加厚 轻便 可折叠 防胀气 宽口径 玻璃 硅胶 进口 正品 "
              "宝宝 可爱 卡通 冬季 夏季 柔软"),
    "运动户外": dict(
        materials="碳素 铝合金 纯棉 尼龙 橡胶",
        lengths="大号 小号 加大 套装",
        nouns="跑步机 哑铃 瑜伽垫 瑜伽服 运动服 运动裤 运动鞋 篮球 足球 羽毛球 乒乓球 "
              "球拍 自行车 山地车 帐篷 睡袋 登山鞋 登山包 冲锋衣 滑板 轮滑鞋 泳镜 泳衣 "
              "护膝 跳绳 鱼竿 渔具 钓鱼竿 头盔",
        audience="男 女 儿童 成人 专业 初学者 家用 户外",
        attrs="专业 正品 透气 速干 防水 加厚 折叠 便携 轻便 碳素 耐磨 防滑 健身 "
              "减肥 训练 比赛 双人 单人"),
    "汽车": dict(
        materials="真皮 亚麻 冰丝 不锈钢 橡胶 硅胶",
        lengths="大号 小号 加大 套装",
        nouns="坐垫 脚垫 座套 方向盘套 行车记录仪 导航仪 车载充电器 车载香水 挂件 摆件 "
              "洗车泵 洗车器 机油 轮胎 雨刮器 车衣 车膜 遮阳挡 车贴 钢丝绳 拖车绳 千斤顶 "
              "打气泵 吸尘器 洗车液 玻璃水",
        audience="汽车 车载 轿车 越野车 货车 电动车 摩托车 家用",
        attrs="四季 通用 冬季 夏季 全包围 高清 夜视 车载 专用 便携 高压 无线 大功率 "
              "防滑 加厚 环保 进口"),
    "食品": dict(
        materials="散装 手工 有机",
        lengths="大号 小号 加大 套装",
        nouns="茶叶 绿茶 红茶 普洱 铁观音 咖啡 牛奶 蜂蜜 零食 饼干 巧克力 糖果 坚果 "
              "核桃 红枣 枸杞 大米 面条 月饼 粽子 腊肉 香肠 牛肉干 水果 苹果 橙子 "
              "葡萄干 燕窝 阿胶 酸奶",
        audience="礼盒 散装 特产 新鲜 进口 有机 农家",
        attrs="包邮 正宗 新鲜 特级 野生 纯 原味 手工 老人 儿童 孕妇 减肥 无糖 "
              "500g 一斤 整箱 批发 礼盒装"),
    "文娱": dict(
        materials="纸质 金属 手绘",
        lengths="大号 小号 加大 套装",
        nouns="动漫 漫画 小说 电影 电视剧 游戏 歌曲 手办 海报 周边 卡片 贴纸 笔记本 "
              "钢笔 铅笔 笔袋 文具 书 课本 字帖 台历 日历 排行榜 音乐",
        audience="日本 国产 韩国 欧美 经典 热血 少女 儿童 学生",
        attrs="排行榜 推荐 大全 全集 高清 正版 新番 经典 最新 完结 限量 手绘 "
              "收藏 可爱 原创"),
}

SEASONS = "冬 冬季 冬天 秋冬 秋季 春秋 春季 夏季 夏天 夏 2017 2017新款 2018".split()
SUFFIXES = "包邮 正品 特价 清仓 新款 批发 旗舰店 官方 同款 明星同款 网红 爆款 套装".split()


def load_vocabulary():
    path = os.path.join(os.path.dirname(jieba.__file__), "dict.txt")
    words = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if parts:
                words.add(parts[0].lower())
    return words


def segmentable(term, vocab):
    """True when the term is a word of the list or a compound that jieba splits
    into words of it (Latin letters and digits pass as they are)."""
    if term.lower() in vocab or term.isascii():
        return True
    pieces = jieba.lcut(term, HMM=False)
    return all(p.isascii() or p.lower() in vocab for p in pieces)


def checked_terms(text, vocab, dropped):
    out = []
    for term in text.split():
        try:
            term.encode("gbk")
        except UnicodeEncodeError:
            dropped.append(term)
            continue
        if segmentable(term, vocab):
            out.append(term)
        else:
            dropped.append(term)
    return out


def zipf_pick(rng, items, s=1.1):
    # A popularity skew: earlier items are picked more often.
    n = len(items)
    weights = getattr(zipf_pick, "cache", {}).get((id(items), s))
    if weights is None:
        weights = [1.0 / (i + 1) ** s for i in range(n)]
        zipf_pick.cache = getattr(zipf_pick, "cache", {})
        zipf_pick.cache[(id(items), s)] = weights
    return rng.choices(items, weights=weights, k=1)[0]


def compose(rng, cat, with_spaces):
    noun = zipf_pick(rng, cat["nouns"], 0.8)
    parts = []
    pattern = rng.random()
    if pattern < 0.14:
        parts = [noun]
    elif pattern < 0.44:
        parts = [rng.choice(cat["audience"]), noun] if rng.random() < 0.5 else [noun, rng.choice(cat["audience"])]
    elif pattern < 0.55:
        parts = [rng.choice(SEASONS), rng.choice(cat["audience"]), noun]
    elif pattern < 0.68:
        parts = [rng.choice(cat["attrs"]), noun]
        if rng.random() < 0.5:
            parts.append(rng.choice(cat["audience"]))
    elif pattern < 0.78:
        parts = [noun, rng.choice(cat["audience"]), rng.choice(cat["attrs"])]
    elif pattern < 0.87:
        parts = [rng.choice(cat["materials"]), noun]
        if rng.random() < 0.6:
            parts.insert(0, rng.choice(cat["audience"]))
    elif pattern < 0.93:
        parts = [rng.choice(cat["audience"]), rng.choice(cat["attrs"]), noun, rng.choice(cat["lengths"])]
    elif pattern < 0.975:
        parts = [noun, rng.choice(cat["attrs"]), rng.choice(cat["attrs"])]
    else:
        parts = [rng.choice(SEASONS), rng.choice(cat["attrs"]), noun, rng.choice(SUFFIXES)]
    # Drop adjacent repeats such as "加绒 加绒".
    dedup = [p for i, p in enumerate(parts) if i == 0 or p != parts[i - 1]]
    return (" " if with_spaces else "").join(dedup)


def build_list(rng, categories, first, last, lines, distinct, space_share, max_bytes,
               grouped):
    fixed = set(first) | {last}
    cats = list(categories.values())
    pool, seen = [], set(fixed)
    while len(pool) < distinct - len(fixed):
        cat = rng.choice(cats)
        kw = compose(rng, cat, rng.random() < space_share)
        size = len(kw.encode("gbk"))
        if kw in seen or size > max_bytes:
            continue
        if size > LONG_BYTES and rng.random() < LONG_SKIP:
            continue  # shoppers type short queries more often
        seen.add(kw)
        pool.append((cats.index(cat), kw))
    if grouped:
        # Potential lists come grouped by category, in a shuffled category order.
        order = list(range(len(cats)))
        rng.shuffle(order)
        rank = {c: i for i, c in enumerate(order)}
        pool.sort(key=lambda item: rank[item[0]])
    else:
        rng.shuffle(pool)
    body = [kw for _, kw in pool]
    # Repeats: copies of keywords (popular ones more often), placed after the first quarter.
    repeats = lines - len(first) - 1 - len(body)
    keyed = [(float(i), kw) for i, kw in enumerate(body)]
    for _ in range(repeats):
        kw = body[int(rng.random() ** 2 * len(body))]
        keyed.append((rng.uniform(len(body) / 4, len(body)), kw))
    keyed.sort(key=lambda item: item[0])
    body = [kw for _, kw in keyed]
    result = first + body + [last]
    assert len(result) == lines
    assert len(set(result)) == distinct, (len(set(result)), distinct)
    return result


def write_list(path, keywords):
    data = ("关键词\r\n" + "".join(k + "\r\n" for k in keywords)).encode("gbk")
    with open(path, "wb") as f:
        f.write(data)
    return len(data)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "mining", "data")
    jieba.setLogLevel(60)
    vocab = load_vocabulary()
    dropped = []
    global SEASONS, SUFFIXES
    SEASONS = checked_terms(" ".join(SEASONS), vocab, dropped)
    SUFFIXES = checked_terms(" ".join(SUFFIXES), vocab, dropped)
    categories = {
        name: {key: checked_terms(text, vocab, dropped) for key, text in cat.items()}
        for name, cat in CATEGORIES.items()
    }
    rng = random.Random(SEED)
    top = build_list(rng, categories, TOP_FIRST, TOP_LAST, TOP_LINES, TOP_DISTINCT,
                     TOP_SPACE_SHARE, MAX_TOP_BYTES, grouped=False)
    potential = build_list(rng, categories, POTENTIAL_FIRST, POTENTIAL_LAST, POTENTIAL_LINES,
                           POTENTIAL_DISTINCT, POTENTIAL_SPACE_SHARE, MAX_POTENTIAL_BYTES,
                           grouped=True)
    for name, keywords in (("top.txt", top), ("potential.txt", potential)):
        size = write_list(os.path.join(out_dir, name), keywords)
        spaces = sum(1 for k in keywords if " " in k)
        print(f"{name}: {len(keywords)} keywords, {len(set(keywords))} distinct, "
              f"{spaces} with spaces, {size} bytes")
    if dropped:
        print("terms not in the word list (left out):", " ".join(sorted(set(dropped))))


if __name__ == "__main__":
    main()
