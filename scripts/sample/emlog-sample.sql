-- A sample emlog blog (emlog pro's utf8mb4 tables), data only: the tables
-- come from emlog-schema.sql, and load-emlog.sh fills in the table prefix in
-- both files (and may then turn the tables into an older version's). The
-- blog's address (the option blogurl) is http://blog.example.com/emlog/, a
-- path under a host that serves other things too. Dates are Unix times, shown
-- in the comments as Beijing time (+08:00).
--
-- Every row has an explicit id so that tests can name it; README.md lists the
-- rows that are here to catch a particular mistake. Strings use MySQL escapes
-- (\\ \' \n \r), and some contain ';', so feed the file to the mariadb
-- client rather than splitting it on semicolons.

-- Categories. sid 7 was deleted (article 22 still points at it); 9 holds nothing.
INSERT INTO {prefix}sort (sid, sortname, alias, taxis, pid, description, template) VALUES
  (1, '生活随笔', 'life', 1, 0, '日常的碎碎念', ''),
  -- parent of 3 and 4, holds no article itself
  (2, '技术', 'tech', 2, 0, '', ''),
  -- child of 2; same name as tag 2
  (3, 'Linux', 'linux', 3, 2, 'Debian、命令行与服务器', ''),
  -- child of 2
  (4, '编程', 'code', 4, 2, 'C++、Qt、正则与 LaTeX', ''),
  -- traditional Chinese name, child of 1
  (5, '旅遊記事', 'travel', 5, 1, '繁體字的分類名', ''),
  (6, '摄影', 'photo', 6, 0, '', ''),
  -- sid 7 was deleted: article 22 still points at it
  (8, '读书笔记', 'books', 8, 0, '读过的书 & 摘抄', ''),
  -- empty category; quotes in the name
  (9, 'Tom\'s "杂物间"', '', 9, 0, 'no article at all', ''),
  -- markup in the name and the description: shown as text, never run
  (10, '<img src=x onerror=alert("sort")>标记', 'markup', 10, 0, '<script>alert("desc")</script>描述', '');

-- Articles and pages. gid 14 was deleted; comment 28, tag 6 and attachment 7 still
-- name it. comnum counts the visible comments, attnum the attachments that are
-- not thumbnails, as emlog keeps them. author names a user: 1 the blogger, 2 a
-- writer whose articles need review, 3 the editor, 4 the one whose login is
-- "admin", 9 a user deleted long ago.
INSERT INTO {prefix}blog (gid, title, date, content, excerpt, alias, author, sortid, type, views, comnum, attnum, top, sortop, hide, checked, allow_remark, password, template, tags) VALUES
  -- 1: 2008-04-01 10:00:00 +08:00; the installer's first article
  (1, '欢迎使用emlog', 1207015200,
   '恭喜您成功安装了emlog，这是系统自动生成的演示文章。编辑或者删除它，然后开始您的创作吧！',
   '', '', 1, -1, 'blog', 321, 3, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 2: 2008-05-20 21:15:00 +08:00; quotes in title and content; address as link text too;
  -- links to the host's root path and to another host, which are not the blog
  (2, '新博客开张 "Hello, World!"', 1211289300,
   '<p>折腾了一个周末，博客终于搭好了。It\'s alive! 朋友说："写点东西吧"。</p>\n<p>以后的文章都会放在 <a href="http://blog.example.com/emlog/">http://blog.example.com/emlog</a>，RSS 在 <a href="http://blog.example.com/emlog/rss.php">这里</a>。</p>\n<p>同一台主机上的 <a href="http://blog.example.com/wiki/">http://blog.example.com/wiki/</a> 和 <a href="http://www.emlog.net/">emlog 官网</a> 都不是本博客。</p>',
   '', 'hello-world', 1, 1, 'blog', 1024, 3, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 3: 2009-02-20 09:30:15 +08:00; backslashes in title and content, CRLF line ends, 堃 (not in GB2312)
  (3, 'Windows 下的路径 C:\\Users\\堃\\Desktop', 1235093415,
   '<p>Windows 的路径用反斜杠：<code>C:\\Program Files\\emlog\\content\\</code>，网络共享是 <code>\\\\fileserver\\share\\照片</code>。</p>\r\n<p>在 C 字符串里要写成 "C:\\\\Users\\\\堃"，注册表键 HKEY_CURRENT_USER\\Software\\Kestrel。</p>\r\n<p>备份下载：<a href="http://blog.example.com/emlog/content/uploadfile/200902/emlog-backup.zip">emlog-backup.zip</a></p>',
   '', '', 1, 4, 'blog', 88, 2, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 4: 2009-07-07 22:10:00 +08:00; LaTeX: backslashes, braces, $ and %
  (4, 'LaTeX 公式笔记：\\frac{a}{b}', 1246975800,
   '<p>求和公式：$$\\sum_{i=1}^{n} i = \\frac{n(n+1)}{2}$$</p>\n<p>欧拉恒等式 $e^{i\\pi} + 1 = 0$，换行用 \\\\，百分号要写成 \\%。</p>\n<pre>\\begin{align}\n  \\alpha &= \\beta \\\\\n  \\gamma &\\neq \\delta\n\\end{align}</pre>\n<p><img src="http://blog.example.com/emlog/content/uploadfile/200907/diagram.bmp" alt="示意图" /></p>',
   '', '', 1, 4, 'blog', 256, 2, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 5: 2010-01-15 13:45:00 +08:00; regexes, backslashes, percent signs, quotes
  (5, '正则表达式备忘', 1263534300,
   '<p>手机号：<code>^1[3-9]\\d{9}$</code>，汉字：<code>[\\u4e00-\\u9fa5]+</code>，双字节：<code>[^\\x00-\\xff]</code>。</p>\n<p>匹配反斜杠本身要写 <code>\\\\\\\\</code>；SQL 里 LIKE \'%emlog%\' 和 LIKE \'50\\%\' 不一样。</p>\n<p>printf("%s: %d%%\\n", name, 100); 完成度 100%。</p>',
   '', 'regex_notes', 4, 4, 'blog', 512, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 6: 2010-06-30 23:59:00 +08:00; shell quoting, HTML entities; sorted on top of its category
  (6, '在 Debian 上安装 MariaDB', 1277913540,
   '<pre>$ sudo apt-get install mariadb-server\n$ mysql -uroot -p -e "SHOW DATABASES;"\n$ echo \'[mysqld]\' &gt;&gt; ~/.my.cnf</pre>\n<p>配置文件在 /etc/mysql/my.cnf，&lt;注意&gt; 权限要 600 &amp; 属主 root。</p>\n<p>附件：<a href="http://blog.example.com/emlog/content/uploadfile/201006/5f3e1277913540.gz">archive.tar.gz</a> 和 <a href="http://blog.example.com/emlog/content/uploadfile/201006/readme">README</a></p>',
   '', '', 4, 3, 'blog', 2048, 2, 2, 'n', 'y', 'n', 'y', 'y', '', '', NULL),
  -- 7: 2011-03-10 18:20:00 +08:00; traditional Chinese (outside GB2312); excerpt with an absolute img
  (7, '臺北旅遊記事：九份與淡水', 1299752400,
   '<p>從臺北車站搭客運到九份，老街上的芋圓很好吃。淡水的夕陽也很美。</p>\n<p><img src="http://blog.example.com/emlog/content/uploadfile/201103/b7c21299752000.png" alt="Scan.PNG" width="800" /></p>\n<p>繁體字：臺灣、龍、體、後來、裡面。</p>',
   '<p>從臺北到九份 <img src="http://blog.example.com/emlog/content/uploadfile/201103/b7c21299752000.png" /></p>', '', 1, 5, 'blog', 77, 3, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 8: 2011-08-08 12:00:00 +08:00; 𠮷 (outside the BMP) in title; Japanese; tags column empty string
  (8, '𠮷野家の牛丼', 1312776000,
   '<p>日本の𠮷野家で牛丼を食べました。「うまい、やすい、はやい」。</p>\n<p>注意：𠮷（U+20BB7，土字头）不是吉（士字头），ｶﾀｶﾅ 是半角片假名。</p>',
   '', '', 1, 1, 'blog', 64, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', ''),
  -- 9: 2012-04-05 08:08:08 +08:00; Korean
  (9, '首尔 서울 여행', 1333584488,
   '<p>서울은 정말 아름다운 도시입니다. 景福宫（경복궁）人很多。</p>',
   '', '', 1, 5, 'blog', 33, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 10: 2012-05-20 16:40:00 +08:00; images with thumbnail link; attachments 1-3
  (10, '摄影：春天的花', 1337503200,
   '<p>周末去植物园拍的。</p>\n<p><a href="http://blog.example.com/emlog/content/uploadfile/201205/3c1a1337480000.jpg" target="_blank"><img src="http://blog.example.com/emlog/content/uploadfile/201205/thum-3c1a1337480000.jpg" alt="spring-flower.jpg" /></a></p>\n<p><img src="http://blog.example.com/emlog/content/uploadfile/201205/8d2e1337480100.JPG" alt="PHOTO.JPG" /></p>',
   '', '', 1, 6, 'blog', 150, 3, 2, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 11: 2012-09-09 09:09:09 +08:00; draft (hide='y')
  (11, '草稿：还没写完', 1347152949,
   '<p>想写一篇关于……的文章，先存个草稿。</p>',
   '', '', 1, 1, 'blog', 0, 0, 0, 'n', 'n', 'y', 'y', 'y', '', '', NULL),
  -- 12: 2013-01-01 10:00:00 +08:00; contributor's article awaiting review (checked='n'), author 2
  (12, '读者投稿：我的第一台电脑', 1357005600,
   '<p>那是一台 486，装的是 DOS 6.22 和 Windows 3.1。</p>',
   '', '', 2, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'n', 'y', '', '', NULL),
  -- 13: 2013-02-14 20:14:00 +08:00; protected: password with quotes
  (13, '私密日记', 1360844040,
   '<p>只给知道密码的人看。</p>',
   '', '', 1, 1, 'blog', 5, 1, 0, 'n', 'n', 'n', 'y', 'y', 'p@ss\'word "2013"', '', NULL),
  -- 15: 2013-05-01 00:00:00 +08:00; a page (type='page'), no category
  (15, '关于', 1367337600,
   '<p>博主是个普通程序员。联系：<a href="mailto:laoli@example.com">laoli@example.com</a></p>\n<p>本站地址：http://blog.example.com/emlog</p>',
   '', 'about', 1, -1, 'page', 999, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 16: 2013-06-01 12:00:00 +08:00; empty content
  (16, '空文章', 1370059200,
   '',
   '', '', 1, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 17: 2013-07-01 12:00:00 +08:00; title of three spaces
  (17, '   ', 1372651200,
   '<p>标题只有空格。</p>',
   '', '', 1, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 18: 1970-01-01 08:00:00 +08:00; date exactly 0
  (18, '时间的起点', 0,
   '<p>Unix 时间 0，也就是 1970-01-01 08:00:00（北京时间）。</p>',
   '', '', 1, 3, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 19: 2039-09-19 07:06:40 +08:00; date 2200000000, past 2038
  (19, '来自未来的文章', 2200000000,
   '<p>这篇文章的时间在 2038 年之后。</p>',
   '', '', 1, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 20: 2014-03-29 15:00:00 +08:00; about 100 KB; the site address 450 times
  (20, '一篇很长的文章', 1396076400,
   CONCAT('<h2>很长很长</h2>\n', REPEAT('<p>这是一段重复的文字，用来把文章撑到一百 KB 左右，检验大段内容能否原样复制。Long text keeps going… 😀 𠮷 100% C:\\temp\\ <a href="http://blog.example.com/emlog/?post=20">本文链接</a></p>\n', 450), '<p>（完）</p>'),
   '<p>一篇约 100 KB 的文章。</p>', 'long-article', 1, 8, 'blog', 4096, 2, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 21: 2014-05-05 10:10:10 +08:00; sortid 99: no such category
  (21, '分类被删掉的文章', 1399255810,
   '<p>它的分类 99 不存在。</p>',
   '', '', 1, 99, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 22: 2014-06-06 06:06:06 +08:00; sortid 7: deleted category
  (22, '旧分类里的文章', 1402005966,
   '<p>分类 7 早就删了。</p>',
   '', '', 1, 7, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 23: 2014-11-11 11:11:11 +08:00; the address in lower, UPPER and Mixed case
  (23, '网址大小写', 1415675471,
   '<p>小写的 <a href="http://blog.example.com/emlog/?post=2">http://blog.example.com/emlog/?post=2</a> 和大写的 <a href="HTTP://BLOG.EXAMPLE.COM/EMLOG/?post=3">HTTP://BLOG.EXAMPLE.COM/EMLOG/?post=3</a>，还有 Http://Blog.Example.Com/Emlog 混合大小写。</p>\n<p>结尾也有：http://blog.example.com/emlog</p>',
   '', '', 1, 3, 'blog', 23, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 24: 2015-01-01 00:30:00 +08:00; emoji: skin tone, ZWJ family, variation selector, flag
  (24, '表情包 😀👍🏻👨‍👩‍👧‍👦', 1420043400,
   '<p>新年快乐 🎉！点赞 👍🏻，全家福 👨‍👩‍👧‍👦，爱心 ❤️，国旗 🇨🇳。</p>\n<p><img src="https://blog.example.com/emlog/content/uploadfile/201501/e1f21420043400.gif" alt="animation.gif" /></p>',
   '', '', 1, 1, 'blog', 365, 2, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 25: 2015-08-08 08:08:08 +08:00; rare characters: 喆 堃 (GBK only), 𠮷 𡘙 (outside the BMP)
  (25, '名字里的生僻字：喆、堃、𠮷、𡘙', 1438992488,
   '<p>陶喆、王堃、𠮷田、𡘙（U+21619）。GB2312 里没有这些字，GBK 里有喆和堃。</p>',
   '', '', 1, 8, 'blog', 128, 1, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 26: 2016-01-01 00:00:00 +08:00; top='y'; excerpt with an apostrophe and the https address
  (26, '置顶：本站公告', 1451577600,
   '<p>评论需要审核，请勿发广告。</p>',
   '<p>It\'s 本站公告：先读<a href="https://blog.example.com/emlog/?post=15">关于</a>。</p>', '', 1, 1, 'blog', 8888, 2, 0, 'y', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 27: 2016-03-03 15:30:00 +08:00; allow_remark='n'
  (27, '不允许评论的文章', 1456990200,
   '<p>评论已关闭。</p>',
   '', '', 1, 3, 'blog', 0, 0, 0, 'n', 'n', 'n', 'y', 'n', '', '', NULL),
  -- 28: 2016-09-10 20:00:00 +08:00; C++ with escaped quotes and backslashes; excerpt
  (28, 'Qt 与 C++ 学习笔记', 1473508800,
   '<pre>std::vector&lt;std::pair&lt;QString, int&gt;&gt; v;\nqDebug() &lt;&lt; "tab:\\t newline:\\n quote:\\" backslash:\\\\";\nQRegularExpression re("^\\\\s*(\\\\w+)=(.*)$");</pre>\n<p>信号与槽 connect(a, &amp;A::done, b, &amp;B::onDone);</p>',
   '<p>Qt 的 <code>QString</code> 与 "std::string"</p>', '', 1, 4, 'blog', 640, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 29: 2017-02-02 02:02:02 +08:00; percent signs, $, quotes
  (29, 'Linux 常用命令', 1485972122,
   '<pre>date +%Y-%m-%d\nprintf "%s\\n" "$HOME"\nfind . -name \'*.jpg\' | xargs -I{} cp {} /tmp/\nawk -F\'\\t\' \'{print $1}\' file.tsv</pre>\n<p>磁盘用了 95%，该清理了。</p>',
   '', '', 3, 3, 'blog', 3000, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 30: 2018-04-04 16:00:00 +08:00; CJK punctuation
  (30, '读《三体》', 1522828800,
   '<p>“给岁月以文明，而不是给文明以岁月。”</p>\n<p>「黑暗森林」法则……</p>',
   '', '', 3, 8, 'blog', 700, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 31: 2019-05-05 17:00:00 +08:00; images with a Chinese and a two-dot file name
  (31, '一张照片', 1557046800,
   '<p><img src="http://blog.example.com/emlog/content/uploadfile/201905/c4d51557046800.jpg" alt="照片.jpg" /></p>\n<p><img src="http://blog.example.com/emlog/content/uploadfile/201905/a1b21557046900.jpg" alt="a.b.jpg" /></p>',
   '', '', 1, 6, 'blog', 45, 2, 2, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 32: 2019-10-10 10:10:10 +08:00; Japanese
  (32, '京都の紅葉', 1570673410,
   '<p>京都の紅葉、きれいですね。清水寺は人が多かったです。</p>',
   '', '', 2, 5, 'blog', 99, 2, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 33: 2020-02-02 20:20:20 +08:00; second draft (hide='y')
  (33, '写了一半的游记', 1580646020,
   '<p>待续……</p>',
   '', '', 1, 5, 'blog', 0, 0, 0, 'n', 'n', 'y', 'y', 'y', '', '', NULL),
  -- 34: 2021-06-06 18:00:00 +08:00; sortid -1 with tags; tags column empty string
  (34, '没有分类的随想', 1622973600,
   '<p>这篇文章没有分类，但有标签。</p>',
   '', '', 1, -1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', ''),
  -- 35: 2022-12-31 23:59:59 +08:00; last second of 2022 local time
  (35, '2022 年的最后一秒', 1672502399,
   '<p>北京时间 23:59:59，UTC 还是下午。</p>',
   '', '', 9, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 36: 2023-01-01 00:00:00 +08:00; local date and UTC date fall in different years;
  -- an old dynamic address (?post=32) in the content
  (36, '2023 年的第一秒', 1672502400,
   '<p>北京时间已经是 2023 年，UTC 还在 2022 年。</p>\n<p>另见<a href="http://blog.example.com/emlog/?post=32">京都の紅葉</a>。</p>',
   '', '', 1, 1, 'blog', 0, 1, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 37: 2024-05-20 13:14:00 +08:00; latest article; the https form of the address
  (37, '日落', 1716182040,
   '<p><a href="https://blog.example.com/emlog/?post=31">上一张照片</a>之后，又拍了一张。</p>\n<p><img src="http://blog.example.com/emlog/content/uploadfile/202405/9a8b1716182040.png" alt="sunset.png" /></p>',
   '', 'sunset', 1, 6, 'blog', 12, 3, 1, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 40: 2024-06-01 20:00:00 +08:00; emlog pro's Markdown: headings, emphasis, nested
  -- lists, fenced and indented code with quotes, a quote, a table, strikethrough, a
  -- bare address, hard breaks, block and inline HTML, an image; hostile comments
  (40, 'Markdown 写的文章', 1717243200,
   '# Markdown 写的文章\n\nemlog pro 的编辑器写 **Markdown**，*斜体*、~~删除线~~ 和 `行内 \'代码\'`。\n这一行紧接着上一行：显示时是换行。\n\n## 列表\n\n- 第一项\n  - 嵌套的一项\n  - 又一项\n- 第二项\n\n1. 有序\n2. 列表\n\n```php\necho \'hello\';\n$a = "It\'s";\n```\n\n    缩进的代码 \'引号\' "双引号"\n\n> 引用的第一行\n> 第二行\n\n| 名称 | 数量 |\n|:---|---:|\n| 苹果 | 3 |\n| 梨 | 5 |\n\n裸网址 https://www.example.org/page 会变成链接。\n\n<div class=\'note\' style=\'color:red\'>块级 HTML，单引号属性</div>\n\n行内 <span style=\'color:blue\'>HTML</span> 和图片：\n\n![日落](http://blog.example.com/emlog/content/uploadfile/202405/9a8b1716182040.png)\n\n下一篇：[链接大全](http://blog.example.com/emlog/post-41.html)',
   '**摘要**也是 Markdown。\n第二行', 'markdown', 1, 10, 'blog', 5, 3, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL),
  -- 41: 2024-06-02 20:00:00 +08:00; markup in the title; a link in every address form
  -- emlog gives, to articles, pages (38 comes later in the run), a category, a tag, the home page
  (41, '<b>粗体</b>标题 & <script>alert("title")</script>', 1717329600,
   '站内的每一种地址：\n\n- [动态地址](http://blog.example.com/emlog/?post=2)\n- [静态地址](http://blog.example.com/emlog/post-3.html)\n- [目录地址](http://blog.example.com/emlog/post/4)\n- [数字地址](http://blog.example.com/emlog/5.html)\n- [分类下的地址](http://blog.example.com/emlog/linux/6.html)\n- [别名](http://blog.example.com/emlog/sunset)\n- [别名 html](http://blog.example.com/emlog/history.html)\n- [后面的页面](https://blog.example.com/emlog/contact)\n- [分类](http://blog.example.com/emlog/sort/linux)\n- [分类号](http://blog.example.com/emlog/?sort=4)\n- [标签](http://blog.example.com/emlog/?tag=Qt+5)\n- [首页](https://blog.example.com/emlog/)\n- [更长的主机](http://blog.example.com.cn/emlog/post-2.html)\n\n上一篇：<a href=\'http://blog.example.com/emlog/?post=40\'>Markdown</a>',
   '', '', 1, 10, 'blog', 0, 0, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL);

-- Pages under the page 15 (关于): parent_id is emlog pro's page tree. Comments
-- are closed on 39.
INSERT INTO {prefix}blog (gid, title, date, content, excerpt, alias, author, sortid, type, views, comnum, attnum, top, sortop, hide, checked, allow_remark, password, template, tags, parent_id) VALUES
  -- 38: 2013-05-02 09:00:00 +08:00
  (38, '联系方式', 1367456400,
   '<p>邮件：laoli@example.com。留言请到<a href="http://blog.example.com/emlog/about">关于</a>页。</p>',
   '', 'contact', 1, -1, 'page', 120, 0, 0, 'n', 'n', 'n', 'y', 'y', '', '', NULL, 15),
  -- 39: 2020-05-01 12:00:00 +08:00; allow_remark='n'
  (39, '本站历史', 1588305600,
   '<p>2008 年开张，2013 年搬到 /emlog/ 下面。</p>',
   '<p>博客的十几年</p>', 'history', 1, -1, 'page', 66, 0, 0, 'n', 'n', 'n', 'y', 'n', '', '', NULL, 15);

-- The cover pro shows on the front page.
UPDATE {prefix}blog SET cover='http://blog.example.com/emlog/content/uploadfile/202405/9a8b1716182040.png' WHERE gid=37;

-- Comments. pid is the comment replied to (0: none). cid 30 and 31 were deleted.
INSERT INTO {prefix}comment (cid, gid, pid, date, poster, comment, mail, url, ip, hide) VALUES
  (1, 1, 0, 1207022400, '张三', '沙发！', 'zhangsan@example.com', '', '192.168.1.2', 'n'),
  -- 2: 2008-04-01 12:30:00 +08:00; reply to 1
  (2, 1, 1, 1207024200, 'admin', '欢迎欢迎～', 'old-admin@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 3: 2008-05-21 08:00:00 +08:00; apostrophe in poster, double quotes in text
  (3, 2, 0, 1211328000, 'O\'Reilly', 'Nice blog! "Hello, World!" indeed.', 'oreilly@example.com', 'http://oreilly.example.com/', '203.0.113.5', 'n'),
  -- 4: 2008-05-21 09:00:00 +08:00; reply to 3
  (4, 2, 3, 1211331600, '博主', 'Thanks! 欢迎常来。', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 5: 2008-05-22 10:00:00 +08:00; reply to a reply (5 -> 4 -> 3)
  (5, 2, 4, 1211421600, 'O\'Reilly', 'Will do :)', 'oreilly@example.com', 'http://oreilly.example.com/', '203.0.113.5', 'n'),
  -- 6: 2009-02-21 10:00:00 +08:00; backslashes
  (6, 3, 0, 1235181600, 'Windows用户', '我的是 D:\\Games\\ 和 \\\\nas\\共享，"C:\\\\" 要双写吗？', 'win@example.com', '', '198.51.100.7', 'n'),
  -- 7: 2009-02-22 03:00:00 +08:00; hidden spam
  (7, 3, 0, 1235242800, 'cheap-shoes', 'Buy cheap shoes at http://spam.example.ru/?a=1&b=2 !!!', 'spam@spam.example.ru', 'http://spam.example.ru', '198.51.100.66', 'y'),
  -- 8: 2009-07-08 08:00:00 +08:00; LaTeX in comment
  (8, 4, 0, 1247011200, '数学系', '还有 $\\int_0^1 x^2\\,dx = \\frac{1}{3}$ 呢', 'math@example.edu', '', '10.0.0.8', 'n'),
  (9, 4, 8, 1247014800, '博主', '对，回头补上。', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  (10, 5, 0, 1263610800, 'regex', '/^(\\d+)\\.(\\d+)$/ 还有 [^\\x00-\\xff]', 'regex@example.com', 'http://regex.example.com', '172.16.0.10', 'n'),
  (11, 5, 10, 1263614400, '路人乙', '100% 同意，50%的人看不懂。', '', '', '172.16.0.11', 'n'),
  -- 12: 2010-07-01 09:00:00 +08:00; IPv6 address
  (12, 6, 0, 1277946000, 'Debian粉', 'apt 真好用', 'debian@example.org', 'https://www.debian.org/', '2001:db8::1', 'n'),
  -- 13: 2010-07-01 10:00:00 +08:00; hidden
  (13, 6, 0, 1277949600, '等待审核', '这条还没审核', 'wait@example.com', '', '10.1.1.1', 'y'),
  (14, 6, 12, 1278032400, '博主', '同感', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 15: 2011-03-11 08:00:00 +08:00; traditional Chinese
  (15, 7, 0, 1299801600, '台灣朋友', '歡迎來臺灣玩！下次去墾丁。', 'tw@example.com.tw', 'http://tw.example.com.tw', '61.220.0.1', 'n'),
  (16, 7, 15, 1299844800, '博主', '好的，一定去！', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 17: 2011-03-12 13:00:00 +08:00; empty mail and url
  (17, 7, 0, 1299906000, '路人甲', '路过。', '', '', '59.66.0.1', 'n'),
  -- 18: 2011-08-08 13:00:00 +08:00; 𠮷 in poster
  (18, 8, 0, 1312779600, '𠮷田', '𠮷野家の牛丼、美味しいですよね。', 'yoshida@example.jp', '', '203.0.113.88', 'n'),
  (19, 8, 0, 1312866000, '喆', '我的名字也是生僻字。', 'zhe@example.com', '', '10.2.2.2', 'n'),
  -- 20: 2012-04-06 09:00:00 +08:00; reply whose parent (21) has a higher cid
  (20, 9, 21, 1333674000, '博主', '감사합니다! 谢谢～', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 21: 2012-04-05 10:00:00 +08:00; Korean; parent of the earlier cid 20
  (21, 9, 0, 1333591200, '김민수', '서울에 오신 것을 환영합니다!', 'minsu@example.kr', '', '211.234.0.1', 'n'),
  -- 22: 2012-05-21 08:00:00 +08:00; emoji
  (22, 10, 0, 1337558400, '摄影师', '👍🏻👍🏻 光圈多少？', 'photo@example.com', 'http://photo.example.com', '10.3.3.3', 'n'),
  (23, 10, 22, 1337562000, '博主', 'f/2.8, 1/200s, ISO 100', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 24: 2012-05-21 10:00:00 +08:00; reply to a reply (24 -> 23 -> 22)
  (24, 10, 23, 1337565600, '摄影师', '学习了 😀', 'photo@example.com', 'http://photo.example.com', '10.3.3.3', 'n'),
  -- 25: 2012-05-22 10:00:00 +08:00; hidden
  (25, 10, 0, 1337652000, '广告', '<a href="http://ads.example.com">便宜相机</a>', 'ads@example.com', 'http://ads.example.com', '10.4.4.4', 'y'),
  -- 26: 2013-01-02 10:00:00 +08:00; comment on the article awaiting review
  (26, 12, 0, 1357092000, '投稿人', '我的文章什么时候能通过？', 'writer@example.com', '', '10.5.5.5', 'n'),
  -- 27: 2013-02-15 10:00:00 +08:00; comment on the protected article
  (27, 13, 0, 1360893600, '知道密码的人', '看到了 ❤️', 'secret@example.com', '', '10.6.6.6', 'n'),
  -- 28: 2013-04-01 10:00:00 +08:00; on article 14, which does not exist
  (28, 14, 0, 1364781600, '孤儿', '这篇文章已经被删除了', 'orphan@example.com', '', '10.7.7.7', 'n'),
  -- 29: 2013-05-02 10:00:00 +08:00; comment on the page
  (29, 15, 0, 1367460000, '想认识博主', '博主好！', 'fan@example.com', '', '10.8.8.8', 'n'),
  (32, 15, 29, 1367546400, '博主', '你好 :-)', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 33: 2013-06-02 10:00:00 +08:00; comment on the empty article
  (33, 16, 0, 1370138400, '？？？', '内容呢？', 'q@example.com', '', '10.9.9.9', 'n'),
  (34, 17, 0, 1372730400, '空格', '标题怎么是空的', '', '', '10.10.10.10', 'n'),
  -- 35: 1970-01-01 09:00:00 +08:00; date 3600
  (35, 18, 0, 3600, '时光机', '1970 年就有博客了？', 'time@example.com', '', '10.11.11.11', 'n'),
  -- 36: 2039-09-19 07:08:20 +08:00; date past 2038
  (36, 19, 0, 2200000100, '未来人', '我来自 2039 年。', 'future@example.com', '', '10.12.12.12', 'n'),
  -- 37: 2014-03-30 10:00:00 +08:00; semicolons in poster and text
  (37, 20, 0, 1396144800, 'TL;DR', '太长不看; 100KB!', 'tldr@example.com', '', '10.13.13.13', 'n'),
  (38, 20, 37, 1396148400, '博主', '看完的都是真爱', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  (39, 21, 0, 1399341600, '分类控', '这篇文章在哪个分类？', 'cat@example.com', '', '10.14.14.14', 'n'),
  (40, 22, 0, 1402106400, '老读者', '旧分类还在吗', 'old@example.com', '', '10.15.15.15', 'n'),
  -- 41: 2014-11-12 10:00:00 +08:00; the address in a comment (upper and lower case)
  (41, 23, 0, 1415757600, 'URL', 'HTTP://BLOG.EXAMPLE.COM/EMLOG/ 和 http://blog.example.com/emlog/?post=1 都能打开', 'url@example.com', 'HTTP://BLOG.EXAMPLE.COM/EMLOG/', '10.16.16.16', 'n'),
  -- 42: 2015-01-01 01:00:00 +08:00; emoji in poster and text; long IPv6 address
  (42, 24, 0, 1420045200, '😀表情帝', '👨‍👩‍👧‍👦 全家福 ❤️ 新年好！', 'emoji@example.com', '', '2408:8207:18a0:1234:abcd:ef01:2345:6789', 'n'),
  -- 43: 2015-01-01 02:00:00 +08:00; double quotes in poster, both quotes in text
  (43, 24, 42, 1420048800, '"引号"先生', 'He said: "it\'s fine" 👍🏻', 'quote@example.com', '', '10.17.17.17', 'n'),
  -- 44: 2015-01-01 03:00:00 +08:00; hidden reply to a reply
  (44, 24, 43, 1420052400, 'Tom\'s', '隐藏的回复', 'tom@example.com', '', '10.18.18.18', 'y'),
  (45, 25, 0, 1439085600, '王堃', '堃字终于能显示了', 'kun@example.com', '', '10.19.19.19', 'n'),
  (46, 26, 0, 1451700000, '守法网民', '收到', 'law@example.com', '', '10.20.20.20', 'n'),
  (47, 26, 46, 1451703600, '博主', '谢谢配合', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 48: 2016-09-11 10:00:00 +08:00; raw < and > in text
  (48, 28, 0, 1473559200, 'C++程序员', '<code>std::cout << "hi\\n";</code> 别忘了 #include <iostream>', 'cpp@example.com', 'https://cpp.example.com', '10.21.21.21', 'n'),
  (49, 28, 48, 1473562800, '博主', '已更正', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 50: 2017-02-03 10:00:00 +08:00; percent signs and a backslash
  (50, 29, 0, 1486087200, 'printf', '%d%% %s \\n %\'.2f', 'printf@example.com', '', '10.22.22.22', 'n'),
  (51, 30, 0, 1522893600, '三体迷', '给岁月以文明，而不是给文明以岁月。', 'santi@example.com', '', '10.23.23.23', 'n'),
  (52, 30, 51, 1522897200, '博主', '不要回答！不要回答！不要回答！', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 53: 2018-04-06 10:00:00 +08:00; hidden
  (53, 30, 0, 1522980000, '剧透党', '结局是……', 'spoiler@example.com', '', '10.24.24.24', 'y'),
  -- 54: 2019-05-06 10:00:00 +08:00; IPv6 '::1'
  (54, 31, 0, 1557108000, '本机', '从 IPv6 本机发的评论', 'local@example.com', '', '::1', 'n'),
  (55, 31, 54, 1557111600, '博主', '测试成功', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  (56, 32, 0, 1570759200, '京都の人', 'ようこそ京都へ！', 'kyoto@example.jp', '', '203.0.113.120', 'n'),
  (57, 32, 56, 1570762800, '博主', 'ありがとうございます', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  (58, 34, 0, 1623031200, '标签党', '没分类也能找到', 'tag@example.com', '', '10.25.25.25', 'n'),
  -- 59: 2023-01-01 00:00:05 +08:00; CRLF inside the text
  (59, 35, 0, 1672502405, '跨年', '新年快乐！\r\n2023 见。', 'ny@example.com', '', '10.26.26.26', 'n'),
  (60, 36, 0, 1672502460, '跨年', '第一条评论', 'ny@example.com', '', '10.26.26.26', 'n'),
  (61, 37, 0, 1716184800, '摄影师', '日落好美', 'photo@example.com', 'http://photo.example.com', '10.3.3.3', 'n'),
  (62, 37, 61, 1716188400, '博主', '谢谢！', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  (63, 37, 62, 1716192000, '摄影师', '下次一起去', 'photo@example.com', 'http://photo.example.com', '10.3.3.3', 'n'),
  -- 64: 2024-05-21 10:00:00 +08:00; hidden
  (64, 37, 0, 1716256800, '匿名', '隐藏的评论', '', '', '10.27.27.27', 'y'),
  -- 65: 2024-05-21 11:00:00 +08:00; hidden reply to a hidden comment
  (65, 37, 64, 1716260400, '匿名2', '回复一条隐藏的评论', '', '', '10.28.28.28', 'y'),
  (66, 1, 0, 1717207200, '老朋友', '十六年了，博客还在 👏', 'old@example.com', '', '2001:db8:85a3::8a2e:370:7334', 'n'),
  -- 67: 2009-02-21 11:00:00 +08:00; reply to 6; newlines
  (67, 3, 6, 1235185200, '博主', '在 HTML 里不用，"C:\\" 就行。\n多行\n回复', 'laoli@example.com', 'http://blog.example.com/emlog/', '127.0.0.1', 'n'),
  -- 68-70: 2024-06-02 on the Markdown article 40: what visitors typed as script, shown as text
  (68, 40, 0, 1717300000, '<script>x</script>', '<script>alert(document.cookie)</script>\n第二行', 'x@example.com', '', '10.68.68.68', 'n'),
  (69, 40, 0, 1717300100, '<b onclick=x>小明</b>', '<img src=x onerror=alert(\'img\')> & <svg onload=alert(1)>', '', '', '10.69.69.69', 'n'),
  (70, 40, 68, 1717300200, '"引号" & <b>粗</b>', '<a href="javascript:alert(\'js\')">点我</a>', '', 'javascript:alert(1)', '10.70.70.70', 'n');

-- Written by signed-in users, which only emlog pro records (uid; 0: a guest):
-- the blogger on the page and an article, the "admin" user on the first article,
-- and the writer on the article awaiting review.
UPDATE {prefix}comment SET uid=1 WHERE cid IN (4, 32);
UPDATE {prefix}comment SET uid=4 WHERE cid=2;
UPDATE {prefix}comment SET uid=2 WHERE cid=26;

-- Tags. gid lists article ids in every format emlog has written.
INSERT INTO {prefix}tag (tid, tagname, gid) VALUES
  -- emlog 5 list: leading and trailing comma
  (1, 'emlog', ',1,2,'),
  -- emlog 6 list; same name as category 3
  (2, 'Linux', '6,18,29'),
  -- emlog 5 list edited by emlog 6 (empty item)
  (3, '正则', ',3,5,,28'),
  -- includes the draft 33
  (4, '旅行', '7,9,32,33'),
  -- no article
  (5, '空标签', ''),
  -- lists article 14, which does not exist
  (6, '生僻字', '8,14,25'),
  -- apostrophe in the name
  (7, 'Tom\'s notes', '2,16'),
  (8, 'C++', '4,28'),
  (9, '照片', '10,31,37'),
  -- emlog 5 list
  (10, '日本語', ',8,32,'),
  -- emoji in the name
  (11, '😀表情', '24'),
  -- only a draft
  (12, '草稿', '11'),
  -- emlog 5 list
  (13, '读书', ',20,25,30,'),
  -- space in the name; lists the uncategorised 34
  (14, 'Qt 5', '28,34'),
  -- character outside the BMP
  (15, '𠮷野家', '8'),
  -- not in id order; includes the protected 13
  (16, '年终', '35,36,13'),
  -- markup in the name
  (17, '<i>斜体</i><script>alert("tag")</script>', '40,41');

-- Attachments. filepath is relative to the blog root; thumfor names the
-- original of a thumbnail.
INSERT INTO {prefix}attachment (aid, blogid, filename, filesize, filepath, addtime, width, height, mimetype, thumfor) VALUES
  (1, 10, 'spring-flower.jpg', 245760, '../content/uploadfile/201205/3c1a1337480000.jpg', 1337502600, 1024, 768, 'image/jpeg', 0),
  -- thumbnail of 1
  (2, 10, 'thum-spring-flower.jpg', 18432, '../content/uploadfile/201205/thum-3c1a1337480000.jpg', 1337502600, 420, 315, 'image/jpeg', 1),
  -- upper-case extension in name and path
  (3, 10, 'PHOTO.JPG', 512000, '../content/uploadfile/201205/8d2e1337480100.JPG', 1337502700, 1600, 1200, 'image/jpeg', 0),
  -- Chinese file name
  (4, 31, '照片.jpg', 389120, '../content/uploadfile/201905/c4d51557046800.jpg', 1557046800, 1280, 960, 'image/jpeg', 0),
  -- two dots in the name
  (5, 31, 'a.b.jpg', 102400, '../content/uploadfile/201905/a1b21557046900.jpg', 1557046900, 800, 600, 'image/jpeg', 0),
  -- not an image; two dots
  (6, 6, 'archive.tar.gz', 1048576, '../content/uploadfile/201006/5f3e1277913540.gz', 1277913540, 0, 0, 'application/x-gzip', 0),
  -- blogid 14: no such article
  (7, 14, 'old-photo.gif', 40960, '../content/uploadfile/201304/77aa1364788800.gif', 1364788800, 320, 240, 'image/gif', 0),
  -- not an image
  (8, 3, 'emlog-backup.zip', 2097152, '../content/uploadfile/200902/emlog-backup.zip', 1235093400, 0, 0, 'application/zip', 0),
  (9, 37, 'sunset.png', 654321, '../content/uploadfile/202405/9a8b1716182040.png', 1716182040, 1920, 1080, 'image/png', 0),
  -- thumbnail of 9
  (10, 37, 'thum-sunset.png', 32100, '../content/uploadfile/202405/thum-9a8b1716182040.png', 1716182040, 420, 236, 'image/png', 9),
  -- .bmp
  (11, 4, 'diagram.bmp', 921654, '../content/uploadfile/200907/diagram.bmp', 1246975200, 640, 480, 'image/bmp', 0),
  -- upper-case extension in the name only
  (12, 7, 'Scan.PNG', 300000, '../content/uploadfile/201103/b7c21299752000.png', 1299751200, 800, 1100, 'image/png', 0),
  (13, 24, 'animation.gif', 77777, '../content/uploadfile/201501/e1f21420043400.gif', 1420043400, 200, 200, 'image/gif', 0),
  -- no extension; mimetype emlog gives unknown types
  (14, 6, 'README', 1234, '../content/uploadfile/201006/readme', 1277913570, 0, 0, 'text/html', 0),
  -- Chinese name with a space
  (15, 20, '年度报告 2013.pdf', 555555, '../content/uploadfile/201403/291f1394000000.pdf', 1396076400, 0, 0, 'application/pdf', 0),
  -- unknown type: text/html
  (16, 25, 'notes.docx', 45678, '../content/uploadfile/201508/0b0c1439000000.docx', 1438992000, 0, 0, 'text/html', 0);

-- Links. ids 3 and 6 were deleted.
INSERT INTO {prefix}link (id, sitename, siteurl, description, hide, taxis) VALUES
  -- the installer's first link
  (1, 'emlog', 'http://www.emlog.net', 'emlog官方主页', 'n', 0),
  -- no description
  (2, 'Debian', 'https://www.debian.org/', '', 'n', 1),
  -- id 3 was deleted
  (4, '小明的博客', 'http://xiaoming.example.net/', '技术 & 生活', 'n', 2),
  -- hide='y'
  (5, '隐藏的链接', 'http://hidden.example.org/', '不在首页显示', 'y', 3),
  -- traditional Chinese
  (7, '臺灣朋友的部落格', 'http://tw.example.com.tw/', '繁體中文', 'n', 4),
  -- quotes; hide='y'
  (8, 'Tom\'s "Blog"', 'http://tom.example.com/?a=1&b=2', '😀 quotes & emoji', 'y', 5),
  -- Japanese, no description
  (9, '日本のブログ', 'http://jp.example.jp/', '', 'n', 6),
  -- markup in the name and the description
  (10, '<script>alert(1)</script>链接', 'http://markup.example.org/', '<b>粗体</b>描述', 'n', 7);

-- Users. password is the phpass portable hash emlog and WordPress both check
-- (README.md lists the plain passwords). uid 4's login equals the one of the
-- administrator the WordPress test installer makes; 5 has no nickname. uid 9,
-- the author of article 35, was deleted. ip to update_time are emlog pro's.
INSERT INTO {prefix}user (uid, username, password, nickname, role, ischeck, photo, email, description, ip, state, credits, create_time, update_time) VALUES
  -- 2008-04-01 09:56:40 +08:00: the installer's administrator
  (1, 'laoli', '$P$BOznooMwblEx7Df/dM4dBUGhYzx/sK1', '老李', 'admin', 'n', '../content/uploadfile/avatar/laoli.jpg', 'laoli@example.com', '博主，普通程序员。', '127.0.0.1', 0, 120, 1207015000, 1716182040),
  -- 2013-01-01 08:00:00 +08:00: a writer whose articles an administrator reviews first
  (2, 'xiaowang', '$P$BvaqOXOPZjFbSiabXVYSuNoVLVqwaZ0', '投稿人', 'writer', 'y', '', 'writer@example.com', '偶尔投稿的读者', '10.5.5.5', 0, 3, 1356998400, 1570673410),
  -- 2016-09-01 10:00:00 +08:00: an editor (emlog pro's role)
  (3, 'editor_li', '$P$BcEXC0Yc0DCUkxDO5PNyz2KaWKmEzR0', '李编辑', 'editor', 'n', '', 'editor@example.com', '负责审稿。', '10.30.30.30', 0, 0, 1472695200, 1522828800),
  -- 2008-05-01 12:00:00 +08:00: login "admin", a writer
  (4, 'admin', '$P$BxfdxjPhlb3sg/d9RfeUcWZvNAHxsK.', '前任站长', 'writer', 'n', '', 'old-admin@example.com', 'It\'s me, the old admin.', '127.0.0.1', 0, 0, 1209614400, 1277913540),
  -- 2021-01-01 20:00:00 +08:00: a visitor with no nickname
  (5, 'reader', '$P$BNXpbrjdh./TlJyxoaKrUTVo4sbrIo/', '', 'visitor', 'n', '', 'reader@example.com', '', '10.31.31.31', 0, 0, 1609502400, 1609502400);

-- Settings. blogurl ends with "/"; the other rows are as emlog's installer writes them.
INSERT INTO {prefix}options (option_id, option_name, option_value) VALUES
  (1, 'blogname', '老李的博客'),
  (2, 'bloginfo', '记录生活与技术'),
  (3, 'site_key', 'emlog'),
  (4, 'blogurl', 'http://blog.example.com/emlog/'),
  (5, 'icp', ''),
  (6, 'isurlrewrite', '0'),
  (7, 'isalias', 'y'),
  (8, 'isalias_html', 'n'),
  (9, 'timezone', 'Asia/Shanghai');

-- 微语 and their replies (5.x and pro: emlog-6-only.sql takes them from 6.x, and emlog-5.sql
-- gives their contents as 5.x stored them). pro stores what the author typed, as Markdown.
-- img is relative to the blog's root. like_count, private, top and ip are pro's.
INSERT INTO {prefix}twitter (id, content, img, author, date, replynum, like_count, private, top, ip) VALUES
  -- 2013-01-01 12:00:00 +08:00: two lines of one paragraph (pro shows 微语 with line breaks off)
  (1, '新年快乐！第一条微语。\n2013 年 <b>不是粗体</b>', NULL, 1, 1357012800, 1, 0, 'n', 'n', '127.0.0.1'),
  -- 2015-01-01 08:00:00 +08:00: Markdown, a link to article 10, an image; pinned, with a like
  (2, '**周末**去爬山，见 [文章](http://blog.example.com/emlog/?post=10)', 'content/uploadfile/201501/f0f11420070400.jpg', 1, 1420070400, 1, 1, 'n', 'y', '10.1.1.1'),
  -- 2021-01-01 20:00:00 +08:00: only its author saw it
  (3, '只有自己看得到的微语', NULL, 2, 1609502400, 0, 0, 'y', 'n', '10.5.5.5');

-- uid and islike are pro's: a like has no text and is no reply (emlog-6.sql deletes it).
INSERT INTO {prefix}reply (id, tid, date, name, content, hide, ip, uid, islike) VALUES
  -- markup and UBB in a reply: emlog showed it as text
  (1, 1, 1357016400, '小王', '新年好 <b>不是粗体</b> [b]也不是[/b] & <script>alert("reply")</script>', 'n', '10.0.0.1', 0, 'n'),
  -- held back: not approved
  (2, 1, 1357020000, '路人', '等待审核的回复', 'y', '10.0.0.2', 0, 'n'),
  -- a like, by the administrator
  (3, 2, 1420074000, '老李', '', 'n', '127.0.0.1', 1, 'y'),
  (4, 2, 1420077600, 'Tom', 'Nice view!', 'n', '10.0.0.4', 0, 'n');

-- pro's custom fields and counts: article 2 has two values of one key, and markup in one.
INSERT INTO {prefix}blog_fields (id, gid, field_key, field_value) VALUES
  (1, 2, 'mood', '开心'),
  (2, 2, 'mood', '累'),
  (3, 2, '来源', '<b>原创</b> & "转载"'),
  (4, 40, 'price', '12.50');
UPDATE {prefix}blog SET like_count=5, dislike_count=1, collect_count=2 WHERE gid=2;

-- UBB in a comment, which emlog showed as markup: bold text and live links to web addresses,
-- while a javascript: one stayed text.
UPDATE {prefix}comment SET comment=CONCAT(comment, ' [b]粗体[/b] [url]http://ubb.example.com/a?b=1&c=2[/url] [url=javascript:alert(1)]坏链接[/url] [url=https://ubb.example.org/]好链接[/url]') WHERE cid=12;

-- The navigation bar, the footer and the sidebar (emlog's navi table and options).
-- Shown in emlog's order (ORDER BY pid, taxis): 首页, 微语, 生活随笔 (category 1),
-- 关于 (page 15), 技术 & 笔记 (custom, relative) with 本站历史 (a link to page 39)
-- and GitHub (new window) under it, <b>书</b> (markup in the label), 登录 (admin).
-- Hidden: 9 and 11, which is under it.
INSERT INTO {prefix}navi (id, naviname, url, newtab, hide, taxis, pid, isdefault, type, type_id) VALUES
  (1, '首页', '', 'n', 'n', 1, 0, 'y', 1, 0),
  (2, '微语', '', 'n', 'n', 2, 0, 'y', 2, 0),
  (3, '登录', 'admin', 'n', 'n', 9, 0, 'y', 3, 0),
  (4, '生活随笔', '', 'n', 'n', 4, 0, 'n', 4, 1),
  (5, '关于', '', 'n', 'n', 5, 0, 'n', 5, 15),
  (6, '技术 & 笔记', 'sort/tech', 'n', 'n', 6, 0, 'n', 0, 0),
  (7, 'GitHub', 'https://github.com/laoli', 'y', 'n', 2, 6, 'n', 0, 0),
  (8, '本站历史', 'http://blog.example.com/emlog/history', 'n', 'n', 1, 6, 'n', 0, 0),
  (9, '旧相册', 'http://photos.example.com/', 'n', 'y', 7, 0, 'n', 0, 0),
  (10, '<b>书</b>', 'http://books.example.org/', 'n', 'n', 8, 0, 'n', 0, 0),
  (11, '相册里', 'http://photos.example.com/2010/', 'n', 'n', 1, 9, 'n', 0, 0);

-- The ICP number and the owner's footer HTML; widgets1 is sidebar 1, custom_widget the owner's own.
UPDATE {prefix}options SET option_value='京ICP备12345678号-1' WHERE option_name='icp';
INSERT INTO {prefix}options (option_id, option_name, option_value) VALUES
  (30, 'footer_info', '<a href="http://stats.example.com/">访问统计</a> & 感谢'),
  (31, 'widgets1', 'a:6:{i:0;s:7:"blogger";i:1;s:11:"custom_wg_1";i:2;s:8:"calendar";i:3;s:7:"newcomm";i:4;s:11:"custom_wg_2";i:5;s:6:"search";}'),
  (32, 'widget_title', 'a:6:{s:7:"blogger";s:12:"个人资料";s:8:"calendar";s:6:"日历";s:7:"newcomm";s:12:"最新评论";s:6:"search";s:6:"搜索";s:11:"custom_wg_1";s:6:"公告";s:11:"custom_wg_2";s:12:"友情赞助";}'),
  (33, 'custom_widget', 'a:2:{s:11:"custom_wg_1";a:2:{s:5:"title";s:6:"公告";s:7:"content";s:90:"<p>本站已搬家，<a href="http://blog.example.com/emlog/about">关于</a>本站。</p>";}s:11:"custom_wg_2";a:2:{s:5:"title";s:21:"友情赞助 & 鸣谢";s:7:"content";s:43:"<ul><li><b>老王</b>的服务器</li></ul>";}}');

-- The whole site, not only its rows (emlog pro; emlog-6.sql takes away what 6.x lacks): its
-- settings, each unlike WordPress's own; the home page's title, description and keywords; the
-- template's logo (shown, logotype 1) and favicon, and another template's logo that is not shown;
-- members' photos (uid 1's is relative, uid 3's an address); a guest's own avatar on comments 3
-- and 5 (one file); the browsers comments came from (12's longer than WordPress keeps); tags'
-- descriptions; links' icons (4's a file of the blog); who uploaded each file.
INSERT INTO {prefix}options (option_id, option_name, option_value) VALUES
  (40, 'site_title', '老李的博客 - 生活与技术'),
  (41, 'site_description', '老李从 2008 年写到现在：生活 & 技术'),
  (42, 'index_lognum', '8'),
  (43, 'iscomment', 'y'),
  (44, 'ischkcomment', 'y'),
  (45, 'login_comment', 'y'),
  (46, 'comment_paging', 'y'),
  (47, 'comment_pnum', '15'),
  (48, 'comment_order', 'newer'),
  (49, 'isgravatar', 'n'),
  (50, 'rss_output_num', '12'),
  (51, 'rss_output_fulltext', 'n'),
  (52, 'is_signup', 'y'),
  (53, 'nonce_templet', 'default');
UPDATE {prefix}options SET option_value='emlog,博客,生活' WHERE option_name='site_key';
UPDATE {prefix}options SET option_value='记录生活 & 技术' WHERE option_name='bloginfo';
INSERT INTO {prefix}tpl_options_data (id, template, name, depend, data) VALUES
  (1, 'default', 'logotype', '', 's:1:"1";'),
  (2, 'default', 'logoimg', '', 's:74:"http://blog.example.com/emlog/content/uploadfile/202401/5b6c1704067200.png";'),
  (3, 'default', 'favicon', '', 's:40:"../content/uploadfile/202401/favicon.png";'),
  (4, 'other', 'logoimg', '', 's:43:"../content/uploadfile/202401/other-logo.png";'),
  (5, 'other', 'logotype', '', 's:1:"1";');
UPDATE {prefix}user SET photo='http://blog.example.com/emlog/content/uploadfile/202301/thum52-e5f61672531200.png' WHERE uid=3;
UPDATE {prefix}comment SET avatar='../content/uploadfile/avatar/oreilly.png' WHERE cid IN (3, 5);
UPDATE {prefix}comment SET agent='Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36' WHERE cid IN (1, 3, 5);
UPDATE {prefix}comment SET agent='Mozilla/5.0 (Linux; Android 14; Pixel 8 Pro Build/UQ1A.240205.004; wv) AppleWebKit/537.36 (KHTML, like Gecko) Version/4.0 Chrome/121.0.6167.178 Mobile Safari/537.36 MicroMessenger/8.0.47.2560(0x28002F35) WeChat/arm64 Weixin NetType/WIFI Language/zh_CN ABI/arm64 MiniProgramEnv/android XWEB/1160065 MMWEBSDK/20231202 MMWEBID/2837 QQBrowser/14.5' WHERE cid=12;
UPDATE {prefix}tag SET description='Linux 的命令 & <b>笔记</b>' WHERE tid=2;
UPDATE {prefix}tag SET description='C++ 与 "Qt"' WHERE tid=8;
UPDATE {prefix}link SET icon='http://www.emlog.net/favicon.ico' WHERE id=1;
UPDATE {prefix}link SET icon='http://blog.example.com/emlog/content/uploadfile/202401/c0d11704067300.png' WHERE id=4;
-- Uploaded by the editor (3) and the writer (2); 13 by the deleted user 9, whose files are the administrator's.
UPDATE {prefix}attachment SET author=3 WHERE aid IN (4, 5);
UPDATE {prefix}attachment SET author=2 WHERE aid=12;
UPDATE {prefix}attachment SET author=9 WHERE aid=13;
