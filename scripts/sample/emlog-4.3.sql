-- A small blog of emlog 4.3.0, in the tables its installer (src/install.php) made: MyISAM, utf8
-- (3-byte: nothing outside the BMP). Loaded whole by load-emlog.sh (VERSION 4.3); README.md lists what
-- its rows are here for. The blog's address (blogurl) is http://old43.example.net/, its addresses by
-- category (isurlrewrite 3) with articles' aliases ending in .html.

CREATE TABLE {prefix}blog (
  gid mediumint(8) unsigned NOT NULL auto_increment,
  title varchar(255) NOT NULL default '',
  date bigint(20) NOT NULL,
  content longtext NOT NULL,
  excerpt longtext NOT NULL,
  alias VARCHAR(200) NOT NULL DEFAULT '',
  author int(10) NOT NULL default '1',
  sortid tinyint(3) NOT NULL default '-1',
  type varchar(20) NOT NULL default 'blog',
  views mediumint(8) unsigned NOT NULL default '0',
  comnum mediumint(8) unsigned NOT NULL default '0',
  tbcount mediumint(8) unsigned NOT NULL default '0',
  attnum mediumint(8) unsigned NOT NULL default '0',
  top enum('n','y') NOT NULL default 'n',
  hide enum('n','y') NOT NULL default 'n',
  allow_remark enum('n','y') NOT NULL default 'y',
  allow_tb enum('n','y') NOT NULL default 'y',
  password varchar(255) NOT NULL default '',
  PRIMARY KEY  (gid),
  KEY date (date),
  KEY author (author),
  KEY sortid (sortid),
  KEY type (type),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}attachment (
  aid smallint(5) unsigned NOT NULL auto_increment,
  blogid mediumint(8) unsigned NOT NULL default '0',
  filename varchar(255) NOT NULL default '',
  filesize int(10) NOT NULL default '0',
  filepath varchar(255) NOT NULL default '',
  addtime bigint(20) NOT NULL,
  PRIMARY KEY  (aid),
  KEY blogid (blogid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}comment (
  cid mediumint(8) unsigned NOT NULL auto_increment,
  gid mediumint(8) unsigned NOT NULL default '0',
  pid mediumint(8) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  poster varchar(20) NOT NULL default '',
  comment text NOT NULL,
  mail varchar(60) NOT NULL default '',
  url varchar(75) NOT NULL default '',
  ip varchar(128) NOT NULL default '',
  hide enum('n','y') NOT NULL default 'n',
  PRIMARY KEY  (cid),
  KEY gid (gid),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}options (
option_id INT( 11 ) UNSIGNED NOT NULL auto_increment,
option_name VARCHAR( 255 ) NOT NULL ,
option_value LONGTEXT NOT NULL ,
PRIMARY KEY (option_id),
KEY option_name (option_name)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}link (
  id smallint(4) unsigned NOT NULL auto_increment,
  sitename varchar(30) NOT NULL default '',
  siteurl varchar(75) NOT NULL default '',
  description varchar(255) NOT NULL default '',
  hide enum('n','y') NOT NULL default 'n',
  taxis smallint(4) unsigned NOT NULL default '0',
  PRIMARY KEY  (id)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}navi (
  id smallint(4) unsigned NOT NULL auto_increment,
  naviname varchar(30) NOT NULL default '',
  url varchar(75) NOT NULL default '',
  newtab enum('n','y') NOT NULL default 'n',
  hide enum('n','y') NOT NULL default 'n',
  taxis smallint(4) unsigned NOT NULL default '0',
  isdefault enum('n','y') NOT NULL default 'n',
  PRIMARY KEY  (id)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}tag (
  tid mediumint(8) unsigned NOT NULL auto_increment,
  tagname varchar(60) NOT NULL default '',
  gid text NOT NULL,
  PRIMARY KEY  (tid),
  KEY tagname (tagname)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}sort (
  sid tinyint(3) unsigned NOT NULL auto_increment,
  sortname varchar(255) NOT NULL default '',
  alias VARCHAR(200) NOT NULL DEFAULT '',
  taxis smallint(4) unsigned NOT NULL default '0',
  PRIMARY KEY  (sid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}trackback (
  tbid mediumint(8) unsigned NOT NULL auto_increment,
  gid mediumint(8) unsigned NOT NULL default '0',
  title varchar(255) NOT NULL default '',
  date bigint(20) NOT NULL,
  excerpt text NOT NULL,
  url varchar(255) NOT NULL default '',
  blog_name varchar(255) NOT NULL default '',
  ip varchar(16) NOT NULL default '',
  PRIMARY KEY  (tbid),
  KEY gid (gid)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}twitter (
id INT NOT NULL AUTO_INCREMENT,
content text NOT NULL,
author int(10) NOT NULL default '1',
date bigint(20) NOT NULL,
replynum mediumint(8) unsigned NOT NULL default '0',
PRIMARY KEY (id),
KEY author (author)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}reply (
  id mediumint(8) unsigned NOT NULL auto_increment,
  tid mediumint(8) unsigned NOT NULL default '0',
  date bigint(20) NOT NULL,
  name varchar(20) NOT NULL default '',
  content text NOT NULL,
  hide enum('n','y') NOT NULL default 'n',
  ip varchar(128) NOT NULL default '',
  PRIMARY KEY  (id),
  KEY gid (tid),
  KEY hide (hide)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

CREATE TABLE {prefix}user (
  uid tinyint(3) unsigned NOT NULL auto_increment,
  username varchar(32) NOT NULL default '',
  password varchar(64) NOT NULL default '',
  nickname varchar(20) NOT NULL default '',
  role varchar(60) NOT NULL default '',
  photo varchar(255) NOT NULL default '',
  email varchar(60) NOT NULL default '',
  description varchar(255) NOT NULL default '',
PRIMARY KEY  (uid),
KEY username (username)
) ENGINE=MyISAM DEFAULT CHARSET=utf8;

INSERT INTO {prefix}options (option_name, option_value) VALUES
  ('blogname', '王五的博客'),
  ('bloginfo', 'emlog 4.3'),
  ('site_title', ''),
  ('site_description', ''),
  ('site_key', 'emlog'),
  ('blogurl', 'http://old43.example.net/'),
  ('icp', ''),
  ('footer_info', ''),
  ('isurlrewrite', '3'),
  ('isalias', 'y'),
  ('isalias_html', 'y'),
  ('istwitter', 'y'),
  ('timezone', '8');

-- 4.3's first navi: no type, no parent. emlog's own items (isdefault) are told by their address.
INSERT INTO {prefix}navi (id, naviname, url, newtab, hide, taxis, isdefault) VALUES
  (1, '首页', '', 'n', 'n', 1, 'y'),
  (2, '微语', 't', 'n', 'n', 2, 'y'),
  (3, '登录', 'admin', 'n', 'n', 9, 'y'),
  (4, '关于', 'about.html', 'n', 'n', 3, 'n'),
  (5, '朋友们', 'http://friends.example.org/', 'y', 'n', 4, 'n'),
  (6, '旧栏目', 'http://gone.example.org/', 'n', 'y', 5, 'n');

INSERT INTO {prefix}user (uid, username, password, nickname, role, photo, email, description) VALUES
  (1, 'wangwu', '$P$BOznooMwblEx7Df/dM4dBUGhYzx/sK1', '王五', 'admin', '', 'wangwu@example.net', ''),
  (2, 'zhaoliu', '$P$BvaqOXOPZjFbSiabXVYSuNoVLVqwaZ0', '赵六', 'writer', '', 'zhaoliu@example.net', '');

INSERT INTO {prefix}sort (sid, sortname, alias, taxis) VALUES
  (1, '日记', 'diary', 1),
  (2, '编程', 'code', 2);

-- 1 links to the others as the blog wrote them (by category, aliases with .html, a category, the page)
-- and in the dynamic form; 2 has trackbacks.
INSERT INTO {prefix}blog (gid, title, date, content, excerpt, alias, author, sortid, type, views, comnum, tbcount, attnum, top, hide, allow_remark, allow_tb, password) VALUES
  -- 2013-03-01 10:00:00 +08:00
  (1, '四点三', 1362103200,
   '<p><a href="http://old43.example.net/code/second.html">第二篇</a>、<a href="http://old43.example.net/diary/3.html">第三篇</a>、'
   '<a href="http://old43.example.net/?post=2">动态地址</a>、<a href="http://old43.example.net/sort/code">编程</a>、'
   '<a href="http://old43.example.net/about.html">关于</a>。</p>',
   '', 'first', 1, 1, 'blog', 40, 2, 0, 0, 'n', 'n', 'y', 'y', ''),
  (2, '第二篇', 1362189600, '<p>有人引用了它。</p>', '', 'second', 2, 2, 'blog', 20, 0, 2, 0, 'n', 'n', 'y', 'y', ''),
  (3, '第三篇', 1362276000, '<p>没有别名。</p>', '', '', 1, 1, 'blog', 10, 0, 0, 0, 'n', 'n', 'y', 'y', ''),
  (4, '关于', 1362016800, '<p>王五的博客。</p>', '', 'about', 1, -1, 'page', 5, 0, 0, 0, 'n', 'n', 'y', 'n', '');

-- 4.0 made answers comments of their own: 2 answers 1.
INSERT INTO {prefix}comment (cid, gid, pid, date, poster, comment, mail, url, ip, hide) VALUES
  (1, 1, 0, 1362106800, '访客', '四点三好用吗？', 'guest@example.com', '', '10.1.0.1', 'n'),
  (2, 1, 1, 1362110400, '王五', '好用。', 'wangwu@example.net', 'http://old43.example.net/', '127.0.0.1', 'n');

INSERT INTO {prefix}trackback (tbid, gid, title, date, excerpt, url, blog_name, ip) VALUES
  (1, 2, '读后感', 1362193200, '写得不错', 'http://reader.example.org/1', '读者的博客', '192.0.2.20'),
  (2, 2, '再谈第二篇', 1362196800, '补充几点', 'http://reader.example.org/2', '读者的博客', '192.0.2.20');

INSERT INTO {prefix}tag (tid, tagname, gid) VALUES
  (1, '四点三', ',1,2,');

INSERT INTO {prefix}link (id, sitename, siteurl, description, hide, taxis) VALUES
  (1, 'emlog', 'http://www.emlog.net', 'emlog官方主页', 'n', 0);

INSERT INTO {prefix}twitter (id, content, author, date, replynum) VALUES
  (1, '4.3 的微语', 1, 1362200000, 0);
